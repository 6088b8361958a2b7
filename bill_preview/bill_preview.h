#pragma once

// The bill as it will print, in a window of our own: the archived PDF's
// page is rendered by Qt PDF into the window, fitted or zoomed; 打印 hands that same file to the
// printer queue, 用表格程序打开 hands the archive copy to the desktop office. The printer and the
// number of copies last used are kept in the settings file.

#include <QDialog>
#include <QPixmap>
#include <functional>

class PrinterQueue;
class QComboBox;
class QLabel;
class QPdfDocument;
class QLabel;
class QScrollArea;
class QPushButton;
class QSpinBox;

class BillPreview : public QDialog {
    Q_OBJECT

public:
    // Opens a workbook in the desktop office; false when it could not.
    using OfficeLauncher = std::function<bool(const QString& path)>;

    BillPreview(PrinterQueue& printers, QString settingsFile, OfficeLauncher openInOffice,
        QWidget* parent = nullptr);
    ~BillPreview() override;

    // Shows the PDF and keeps `copy` for 用表格程序打开; false when the PDF
    // cannot be read, and the window stays hidden.
    bool showBill(const QString& pdf, const QString& copy);
    QString pdfPath() const { return m_pdf; }
    // The page as it is on screen, null before a bill is shown.
    QPixmap page() const;

signals:
    // A bill is on screen, with its archive copy.
    void billShown(const QString& pdf, const QString& copy);
    // The PDF went to the printer.
    void printed();

private:
    void buildCommands(QWidget* bar);
    void fillPrinters();
    void print();
    void openInOffice();
    void zoomBy(double factor);
    void fitPage();
    void renderPage();
    void resizeEvent(QResizeEvent* event) override;
    void say(const QString& text, bool trouble);

    PrinterQueue& m_printers;
    QString m_settingsFile;
    OfficeLauncher m_openInOffice;
    QPdfDocument* m_document = nullptr;
    QScrollArea* m_view = nullptr;
    QLabel* m_page = nullptr;
    double m_zoom = 0; // times the fitted size; 0: fitted to the window
    QComboBox* m_printer = nullptr;
    QSpinBox* m_copies = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_print = nullptr;
    QString m_pdf;
    QString m_copy;
};
