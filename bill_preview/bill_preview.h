#pragma once

// The bill as it will print, in a window of our own: the archived PDF's
// pages are rendered by Qt PDF into the window, one under another, fitted or
// zoomed; 打印 hands that same file to the printer queue, 用表格程序打开 hands
// the archive copy to the desktop office. The printer and the number of
// copies last used are kept in the settings file. Other documents (the
// stock report, a partner's statement) are shown and printed the same way.

#include <QDialog>
#include <QElapsedTimer>
#include <QPixmap>
#include <QStringList>
#include <functional>

class PrinterQueue;
class PreviewPages;
class QComboBox;
class QLabel;
class QPdfDocument;
class QScrollArea;
class QPushButton;
class QSpinBox;
template <typename T> class QFutureWatcher;

class BillPreview : public QDialog {
    Q_OBJECT

public:
    // Opens a workbook in the desktop office; false when it could not.
    using OfficeLauncher = std::function<bool(const QString& path)>;

    BillPreview(PrinterQueue& printers, QString settingsFile, OfficeLauncher openInOffice,
        QWidget* parent = nullptr);
    // Waits for a reading of the printers.
    ~BillPreview() override;

    // Makes the window ready before its first bill (its native window, its
    // type, its size) and reads the printers, so the first bill costs no
    // more than the next.
    void prepare();

    // Shows the PDF and keeps `copy` for 用表格程序打开 (hidden when empty);
    // false when the PDF cannot be read, and the window stays hidden.
    bool showBill(const QString& pdf, const QString& copy);
    // The same for any PDF, under the window title given.
    bool showDocument(const QString& pdf, const QString& copy, const QString& title);
    QString pdfPath() const { return m_pdf; }
    // How many pages are laid out on screen.
    int pageCount() const;
    // A page as it is on screen, null before a document is shown or while
    // the page is scrolled out of sight.
    QPixmap page(int index = 0) const;

signals:
    // A bill is on screen, with its archive copy.
    void billShown(const QString& pdf, const QString& copy);
    // The PDF went to the printer.
    void printed();

private:
    void buildCommands(QWidget* bar);
    void sizeToScreen();
    // The printers as last read, and the one the settings name chosen; read
    // anew behind the window, which keeps the list it has till then.
    void fillPrinters();
    void readPrinters();
    void listPrinters(const QStringList& names, const QString& defaultPrinter, bool keepShown);
    void print();
    void openInOffice();
    void zoomBy(double factor);
    void fitPage();
    void renderPage();
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void say(const QString& text, bool trouble);

    PrinterQueue& m_printers;
    QString m_settingsFile;
    OfficeLauncher m_openInOffice;
    QPdfDocument* m_document = nullptr;
    QScrollArea* m_view = nullptr;
    PreviewPages* m_pages = nullptr;
    double m_zoom = 0; // times the fitted size; 0: fitted to the window
    QComboBox* m_printer = nullptr;
    QSpinBox* m_copies = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_print = nullptr;
    QPushButton* m_office = nullptr;
    bool m_sized = false; // to its screen, at the first showing
    QString m_pdf;
    QString m_copy;
    QElapsedTimer m_paintWait; // from a show to its first paint
    struct Printers {
        QStringList names;
        QString defaultPrinter;
    };
    QFutureWatcher<Printers>* m_printerRead = nullptr;
    bool m_printersRead = false; // once, before any showing
    QString m_defaultPrinter;
};
