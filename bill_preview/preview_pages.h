#pragma once

// The pages of a PDF stacked down a scroll area, each the size it is shown
// at. Only the pages in sight (and a screen above and below) hold a
// rendered picture, so a long document costs no more memory than a short
// one; scrolling renders the pages that come into sight.

#include <QPixmap>
#include <QVector>
#include <QWidget>

class QLabel;
class QPdfDocument;
class QScrollArea;

class PreviewPages : public QWidget {
    Q_OBJECT

public:
    PreviewPages(QPdfDocument& document, QScrollArea& view);

    // Lays the document's pages out at `zoom` times the fitted size (0:
    // fitted; one page fits the window, more fit its width) and renders
    // those in sight.
    void layOut(double zoom);
    int count() const { return int(m_pages.size()); }
    // The page as it is on screen; null while it is out of sight.
    QPixmap page(int index) const;
    // Renders the pages that came into sight, drops those far out of it.
    void renderInSight();

private:
    double fittedScale() const;
    QPixmap rendered(int index, QSize size) const;

    QPdfDocument& m_document;
    QScrollArea& m_view;
    QVector<QLabel*> m_pages;
};
