#pragma once

// 合并往来单位: one name, typed differently on some loads, joined into the
// partner it means. Only the join is recorded; no load or payment changes.

#include "support/failure.h"

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;

class MergePartnersDialog : public QDialog {
    Q_OBJECT

public:
    // Records the join; the dialog tells the clerk a failure's cause.
    using Joiner = std::function<Done(const QString& alias, const QString& partner)>;

    MergePartnersDialog(const QStringList& partners, Joiner join, QWidget* parent = nullptr);

    // The name to be joined, e.g. the one selected in the list.
    void setAlias(const QString& alias);

private:
    void onMergeClicked();

    Joiner m_join;
    QComboBox* m_alias = nullptr;
    QComboBox* m_partner = nullptr;
    QLabel* m_status = nullptr;
};
