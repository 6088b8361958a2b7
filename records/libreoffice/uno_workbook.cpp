#include "records/libreoffice/uno_workbook.h"

#include "field_text/field_text.h"
#include "records/cell_values.h"
#include "records/libreoffice/load_questions.h"
#include "records/libreoffice/office_process.h"
#include "records/libreoffice/uno_blocks.h"
#include "records/libreoffice/uno_language.h"
#include "records/libreoffice/uno_text.h"
#include "records/libreoffice/watchdog.h"
#include "records/libreoffice/workbook_files.h"
#include "support/phase_log.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <com/sun/star/beans/PropertyValue.hpp>
#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/container/XNamed.hpp>
#include <com/sun/star/document/MacroExecMode.hpp>
#include <com/sun/star/document/UpdateDocMode.hpp>
#include <com/sun/star/frame/XComponentLoader.hpp>
#include <com/sun/star/frame/XModel.hpp>
#include <com/sun/star/frame/XStorable.hpp>
#include <com/sun/star/io/IOException.hpp>
#include <com/sun/star/lang/DisposedException.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/lang/XComponent.hpp>
#include <com/sun/star/sheet/FormulaResult.hpp>
#include <com/sun/star/sheet/XCellRangeData.hpp>
#include <com/sun/star/sheet/XSheetAnnotation.hpp>
#include <com/sun/star/sheet/XSheetAnnotationAnchor.hpp>
#include <com/sun/star/sheet/XSheetAnnotations.hpp>
#include <com/sun/star/sheet/XSheetAnnotationsSupplier.hpp>
#include <com/sun/star/sheet/XSpreadsheet.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/table/CellAddress.hpp>
#include <com/sun/star/table/CellContentType.hpp>
#include <com/sun/star/table/XCell.hpp>
#include <com/sun/star/task/XInteractionHandler.hpp>
#include <com/sun/star/text/XSimpleText.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/util/XCloseable.hpp>
#include <com/sun/star/util/XNumberFormats.hpp>
#include <com/sun/star/util/XNumberFormatsSupplier.hpp>
#include <com/sun/star/util/XProtectable.hpp>
#include <fcntl.h>
#include <rtl/ref.hxx>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The office runs with an ordinary umask (it makes folders every user's
// office reads); what it stores for us is the clerk's alone, as every file
// the program writes. Not through a link: only the file just stored.
void keepPrivate(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return;
    struct stat entry;
    if (::fstat(fd, &entry) == 0 && S_ISREG(entry.st_mode) && entry.st_uid == ::geteuid())
        ::fchmod(fd, entry.st_mode & S_IRWXU);
    ::close(fd);
}

using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

const QString excel97Filter = QStringLiteral("MS Excel 97");

css::beans::PropertyValue property(const char* name, const css::uno::Any& value)
{
    css::beans::PropertyValue result;
    result.Name = OUString::createFromAscii(name);
    result.Value = value;
    return result;
}

// An office that died, or was killed at its deadline, answers with a
// disposed connection, or not at all: it is ended for sure, so the next
// pass starts a new one.
Failure connectionLost(const css::uno::Exception& e, OfficeProcess& office, const QString& path)
{
    office.lost();
    return Failure(FailureCause::OfficeNotResponding, path, toQString(e.Message));
}

class UnoWorkbook;

class UnoWorksheet : public Worksheet {
public:
    UnoWorksheet(UnoWorkbook& book, Reference<css::sheet::XSpreadsheet> sheet)
        : m_book(book)
        , m_sheet(std::move(sheet))
    {
    }

    QString shownText(int row, int column) override;
    QString valueText(int row, int column) override;
    void setNumber(int row, int column, double value) override;
    void setText(int row, int column, const QString& text) override;
    void setDate(int row, int column, const QDate& date) override;
    void setBlockAsTyped(int top, int left, const QVector<QStringList>& rows) override;
    void setCellsAsTyped(const QVector<CellText>& cells) override;
    int firstRowShowingNoText(int column, int top, int bottom) override;
    QStringList columnValueTexts(int column, int top, int bottom) override;
    int lastRowInUse(int limit) override;
    void setComment(int row, int column, const QString& text) override;
    QString comment(int row, int column) override;

private:
    // A protected sheet refuses cell writes with an office-internal error:
    // it is named before the first write.
    void checkWritable();

    Reference<css::table::XCell> cell(int row, int column)
    {
        return m_sheet->getCellByPosition(column - 1, row - 1);
    }

    UnoWorkbook& m_book;
    Reference<css::sheet::XSpreadsheet> m_sheet;
    bool m_protectionChecked = false;
};

class UnoWorkbook : public Workbook {
public:
    UnoWorkbook(Reference<css::lang::XComponent> document, QString path, OfficeProcess& office,
        std::unique_lock<std::mutex> pass, std::unique_ptr<WatchdogArm> deadline)
        : m_document(std::move(document))
        , m_path(std::move(path))
        , m_office(office)
        , m_pass(std::move(pass))
        , m_deadline(std::move(deadline))
    {
    }

    QString path() const { return m_path; }

    template <typename Action> decltype(auto) guarded(Action&& action)
    {
        try {
            return action();
        } catch (const Failure&) {
            throw;
        } catch (const css::lang::DisposedException& e) {
            throw connectionLost(e, m_office, m_path);
        } catch (const css::uno::Exception& e) {
            if (!m_office.alive())
                throw connectionLost(e, m_office, m_path);
            throw Failure(FailureCause::Other, m_path, toQString(e.Message));
        }
    }

    ~UnoWorkbook() override
    {
        try {
            closeDocument();
        } catch (...) {
        }
        m_office.endPass();
    }

    Worksheet& sheetAt(int position) override
    {
        return guarded([&]() -> Worksheet& {
            Reference<css::container::XIndexAccess> sheets(spreadsheets(), UNO_QUERY_THROW);
            if (position < 1 || position > sheets->getCount())
                throw Failure(FailureCause::SheetMissing, m_path, QString::number(position));
            return view(Reference<css::sheet::XSpreadsheet>(
                sheets->getByIndex(position - 1), UNO_QUERY_THROW));
        });
    }

    Worksheet& sheetNamed(const QString& name) override
    {
        return guarded([&]() -> Worksheet& {
            Reference<css::container::XNameAccess> sheets(spreadsheets(), UNO_QUERY_THROW);
            if (!sheets->hasByName(toOUString(name)))
                throw Failure(FailureCause::SheetMissing, m_path, name);
            return view(Reference<css::sheet::XSpreadsheet>(
                sheets->getByName(toOUString(name)), UNO_QUERY_THROW));
        });
    }

    QStringList sheetNames() override
    {
        return guarded([&] {
            QStringList names;
            for (const OUString& name : spreadsheets()->getElementNames())
                names << toQString(name);
            return names;
        });
    }

    void save() override
    {
        PhaseTimer phase("xls store");
        guarded([&] {
            checkWritable();
            try {
                Reference<css::frame::XStorable>(m_document, UNO_QUERY_THROW)->store();
            } catch (const css::io::IOException& e) {
                if (!m_office.alive())
                    throw;
                throw storeFailure(m_path, toQString(e.Message));
            }
            keepPrivate(m_path);
        });
    }

    void saveCopy(const QString& path, CopyFormat format) override
    {
        // Never through a link: the office would write where it points.
        refuseLinkedEntry(path);
        guarded([&] {
            css::uno::Sequence<css::beans::PropertyValue> arguments(2);
            const OUString filter = format == CopyFormat::Pdf ? OUString("calc_pdf_Export")
                                                              : toOUString(excel97Filter);
            arguments.getArray()[0] = property("FilterName", css::uno::Any(filter));
            arguments.getArray()[1] = property("Overwrite", css::uno::Any(true));
            // Copies are what the user reads and prints (the bill, its
            // archive, the stock view): Chinese type in each. Done once, as
            // the bill stores two copies in a row.
            if (!m_chineseSet) {
                PhaseTimer phase("font and language");
                setSimplifiedChinese(m_document);
                m_chineseSet = true;
            }
            PhaseTimer phase(format == CopyFormat::Pdf ? "pdf export" : "xls copy");
            try {
                Reference<css::frame::XStorable>(m_document, UNO_QUERY_THROW)
                    ->storeToURL(fileUrl(path), arguments);
            } catch (const css::io::IOException& e) {
                if (!m_office.alive())
                    throw;
                throw storeFailure(path, toQString(e.Message));
            }
            keepPrivate(path);
        });
    }

    // The number format key of YYYY-MM-DD in this document.
    sal_Int32 isoDateFormat()
    {
        Reference<css::util::XNumberFormatsSupplier> supplier(m_document, UNO_QUERY_THROW);
        const Reference<css::util::XNumberFormats> formats = supplier->getNumberFormats();
        const OUString code("YYYY-MM-DD");
        const css::lang::Locale neutral;
        sal_Int32 key = formats->queryKey(code, neutral, false);
        if (key < 0)
            key = formats->addNew(code, neutral);
        return key;
    }

    void close() override
    {
        guarded([&] { closeDocument(); });
    }

    // A write to a document that the office opened read-only would fail at
    // the save; it is refused before any cell is touched.
    void checkWritable()
    {
        if (m_writableChecked)
            return;
        if (Reference<css::frame::XStorable>(m_document, UNO_QUERY_THROW)->isReadonly())
            throw Failure(whyReadOnly(), m_path);
        m_writableChecked = true;
    }

private:
    Reference<css::sheet::XSpreadsheets> spreadsheets()
    {
        return Reference<css::sheet::XSpreadsheetDocument>(m_document, UNO_QUERY_THROW)
            ->getSheets();
    }

    FailureCause whyReadOnly() const
    {
        const std::optional<QByteArray> lock = lockFileText(lockFilePath(m_path));
        if (lock && !lock->trimmed().isEmpty())
            return FailureCause::WorkbookOpenElsewhere;
        // A full disk takes no lock file either.
        if (diskNearlyFull(m_path))
            return FailureCause::DiskFull;
        if (lock)
            return FailureCause::WorkbookOpenElsewhere;
        // The office opens a writable file read-only when its folder takes
        // no lock file.
        const QFileInfo file(m_path);
        if (file.isWritable() && !QFileInfo(file.absolutePath()).isWritable())
            return FailureCause::FolderNotWritable;
        return FailureCause::WorkbookReadOnly;
    }

    Worksheet& view(Reference<css::sheet::XSpreadsheet> sheet)
    {
        m_view = std::make_unique<UnoWorksheet>(*this, std::move(sheet));
        return *m_view;
    }

    void closeDocument()
    {
        if (!m_document.is())
            return;
        Reference<css::lang::XComponent> document = std::move(m_document);
        m_document.clear();
        Reference<css::util::XCloseable> closeable(document, UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
        else
            document->dispose();
    }

    Reference<css::lang::XComponent> m_document;
    QString m_path;
    OfficeProcess& m_office;
    std::unique_lock<std::mutex> m_pass;
    std::unique_ptr<WatchdogArm> m_deadline;
    std::unique_ptr<UnoWorksheet> m_view;
    bool m_writableChecked = false;
    bool m_chineseSet = false;
};

void UnoWorksheet::checkWritable()
{
    m_book.checkWritable();
    if (m_protectionChecked)
        return;
    Reference<css::util::XProtectable> protectable(m_sheet, UNO_QUERY);
    if (protectable.is() && protectable->isProtected()) {
        Reference<css::container::XNamed> named(m_sheet, UNO_QUERY);
        throw Failure(FailureCause::SheetProtected, m_book.path(),
            named.is() ? toQString(named->getName()) : QString());
    }
    m_protectionChecked = true;
}

QString UnoWorksheet::shownText(int row, int column)
{
    return m_book.guarded([&] {
        return toQString(
            Reference<css::text::XText>(cell(row, column), UNO_QUERY_THROW)->getString());
    });
}

QString UnoWorksheet::valueText(int row, int column)
{
    return m_book.guarded([&] {
        const Reference<css::table::XCell> target = cell(row, column);
        const auto type = target->getType();
        bool number = type == css::table::CellContentType_VALUE;
        if (type == css::table::CellContentType_FORMULA) {
            Reference<css::beans::XPropertySet> properties(target, UNO_QUERY_THROW);
            sal_Int32 result = 0;
            properties->getPropertyValue(OUString("FormulaResultType2")) >>= result;
            number = result == css::sheet::FormulaResult::VALUE;
        }
        if (number)
            return plainNumberText(target->getValue());
        return toQString(Reference<css::text::XText>(target, UNO_QUERY_THROW)->getString());
    });
}

void UnoWorksheet::setNumber(int row, int column, double value)
{
    m_book.guarded([&] {
        checkWritable();
        cell(row, column)->setValue(value);
    });
}

void UnoWorksheet::setText(int row, int column, const QString& text)
{
    m_book.guarded([&] {
        checkWritable();
        const Reference<css::table::XCell> target = cell(row, column);
        if (text.isEmpty())
            target->setFormula(OUString()); // clears the cell
        else
            Reference<css::text::XText>(target, UNO_QUERY_THROW)->setString(toOUString(text));
    });
}

void UnoWorksheet::setDate(int row, int column, const QDate& date)
{
    m_book.guarded([&] {
        checkWritable();
        const Reference<css::table::XCell> target = cell(row, column);
        target->setValue(dateSerial(date));
        Reference<css::beans::XPropertySet>(target, UNO_QUERY_THROW)
            ->setPropertyValue(OUString("NumberFormat"), css::uno::Any(m_book.isoDateFormat()));
    });
}

// One call for the whole block: the office stores string elements as text,
// never as formulas, empties the cell of an empty string and stores
// numbers as numbers.
void UnoWorksheet::setBlockAsTyped(int top, int left, const QVector<QStringList>& rows)
{
    if (rows.isEmpty() || rows.first().isEmpty())
        return;
    const int columns = int(rows.first().size());
    css::uno::Sequence<css::uno::Sequence<css::uno::Any>> data(rows.size());
    auto* dataRows = data.getArray();
    for (int r = 0; r < rows.size(); ++r) {
        dataRows[r].realloc(columns);
        auto* elements = dataRows[r].getArray();
        for (int c = 0; c < columns; ++c) {
            const QString& text = rows[r][c];
            if (const auto value = wholeNumber(text))
                elements[c] <<= *value;
            else
                elements[c] <<= toOUString(text); // an empty string empties the cell
        }
    }
    m_book.guarded([&] {
        checkWritable();
        const auto range = m_sheet->getCellRangeByPosition(
            left - 1, top - 1, left - 2 + columns, top - 2 + int(rows.size()));
        Reference<css::sheet::XCellRangeData>(range, UNO_QUERY_THROW)->setDataArray(data);
    });
}

void UnoWorksheet::setCellsAsTyped(const QVector<CellText>& cells)
{
    PhaseTimer phase("cell writes");
    const QVector<CellText> leftOver = m_book.guarded([&] {
        checkWritable();
        return writeCellsInBlocks(m_sheet, cells);
    });
    Worksheet::setCellsAsTyped(leftOver);
}

int UnoWorksheet::firstRowShowingNoText(int column, int top, int bottom)
{
    return m_book.guarded([&] { return readFirstRowShowingNoText(m_sheet, column, top, bottom); });
}

QStringList UnoWorksheet::columnValueTexts(int column, int top, int bottom)
{
    return m_book.guarded([&] { return readColumnValues(m_sheet, column, top, bottom); });
}

int UnoWorksheet::lastRowInUse(int limit)
{
    return m_book.guarded([&] { return std::min(lastUsedRow(m_sheet), limit); });
}

void UnoWorksheet::setComment(int row, int column, const QString& text)
{
    m_book.guarded([&] {
        checkWritable();
        css::table::CellAddress address;
        address.Column = column - 1;
        address.Row = row - 1;
        Reference<css::sheet::XSheetAnnotationsSupplier>(m_sheet, UNO_QUERY_THROW)
            ->getAnnotations()
            ->insertNew(address, toOUString(text));
    });
}

QString UnoWorksheet::comment(int row, int column)
{
    return m_book.guarded([&] {
        const auto annotation
            = Reference<css::sheet::XSheetAnnotationAnchor>(cell(row, column), UNO_QUERY_THROW)
                  ->getAnnotation();
        return toQString(
            Reference<css::text::XSimpleText>(annotation, UNO_QUERY_THROW)->getString());
    });
}

QString filterOf(const Reference<css::lang::XComponent>& document)
{
    Reference<css::frame::XModel> model(document, UNO_QUERY);
    if (!model.is())
        return {};
    for (const auto& argument : model->getArgs())
        if (argument.Name == "FilterName")
            return toQString(argument.Value.get<OUString>());
    return {};
}

// A load that fails ends the pass here; a workbook ends it when it goes.
struct PassUntilLoaded {
    OfficeProcess& office;
    bool loaded = false;
    ~PassUntilLoaded()
    {
        if (!loaded)
            office.endPass();
    }
};

// Hidden, with our own handler for every question, and no macros run.
css::uno::Sequence<css::beans::PropertyValue> hiddenLoadArguments(
    const rtl::Reference<AbortingHandler>& handler)
{
    css::uno::Sequence<css::beans::PropertyValue> arguments(4);
    css::beans::PropertyValue* argument = arguments.getArray();
    argument[0] = property("Hidden", css::uno::Any(true));
    argument[1] = property("InteractionHandler",
        css::uno::Any(Reference<css::task::XInteractionHandler>(handler.get())));
    argument[2] = property(
        "MacroExecutionMode", css::uno::Any(css::document::MacroExecMode::NEVER_EXECUTE));
    argument[3] = property("UpdateDocMode", css::uno::Any(css::document::UpdateDocMode::NO_UPDATE));
    return arguments;
}

} // namespace

std::unique_ptr<Workbook> openUnoWorkbook(const Reference<css::frame::XDesktop2>& desktop,
    const QString& path, OfficeProcess& office, std::unique_lock<std::mutex> passLock,
    std::unique_ptr<WatchdogArm> deadline)
{
    removeOwnStaleLock(path, office.profileUrl(), office);
    office.beginPass(path);
    PassUntilLoaded pass { office };
    rtl::Reference<AbortingHandler> handler(new AbortingHandler);
    // Read as an Excel 97 workbook or not at all: the office then never
    // detects another format in the file and follows what that may link to.
    auto arguments = hiddenLoadArguments(handler);
    arguments.realloc(arguments.getLength() + 1);
    arguments.getArray()[arguments.getLength() - 1]
        = property("FilterName", css::uno::Any(toOUString(excel97Filter)));
    const OUString url = fileUrl(path);

    Reference<css::lang::XComponent> document;
    try {
        Reference<css::frame::XComponentLoader> loader(desktop, UNO_QUERY_THROW);
        document = loader->loadComponentFromURL(url, OUString("_blank"), 0, arguments);
    } catch (const css::lang::DisposedException& e) {
        throw connectionLost(e, office, path);
    } catch (const css::uno::Exception& e) {
        if (!office.alive())
            throw connectionLost(e, office, path);
        if (handler->sawLock)
            throw Failure(FailureCause::WorkbookOpenElsewhere, path);
        throw loadFailure(*handler, path, toQString(e.Message));
    }
    if (!document.is()) {
        if (handler->sawLock || QFile::exists(lockFilePath(path)))
            throw Failure(FailureCause::WorkbookOpenElsewhere, path);
        throw loadFailure(*handler, path, QString());
    }

    auto book = std::make_unique<UnoWorkbook>(
        document, path, office, std::move(passLock), std::move(deadline));
    pass.loaded = true;
    // Only a real Excel 97 workbook is written back in its own format. The
    // office may die here too, so the questions are guarded.
    book->guarded([&] {
        const bool spreadsheet
            = Reference<css::sheet::XSpreadsheetDocument>(document, UNO_QUERY).is();
        const QString filter = filterOf(document);
        if (!spreadsheet || filter != excel97Filter)
            throw Failure(FailureCause::WorkbookDamaged, path, filter);
    });
    return book;
}

std::unique_ptr<Workbook> createUnoWorkbook(const Reference<css::frame::XDesktop2>& desktop,
    OfficeProcess& office, std::unique_lock<std::mutex> passLock,
    std::unique_ptr<WatchdogArm> deadline)
{
    office.beginPass(QString());
    PassUntilLoaded pass { office };
    rtl::Reference<AbortingHandler> handler(new AbortingHandler);
    Reference<css::lang::XComponent> document;
    try {
        Reference<css::frame::XComponentLoader> loader(desktop, UNO_QUERY_THROW);
        document = loader->loadComponentFromURL(
            OUString("private:factory/scalc"), OUString("_blank"), 0, hiddenLoadArguments(handler));
    } catch (const css::lang::DisposedException& e) {
        throw connectionLost(e, office, QString());
    } catch (const css::uno::Exception& e) {
        if (!office.alive())
            throw connectionLost(e, office, QString());
        throw Failure(FailureCause::Other, QString(), toQString(e.Message));
    }
    if (!document.is())
        throw Failure(FailureCause::Other, QString(), QStringLiteral("no new spreadsheet"));
    auto book = std::make_unique<UnoWorkbook>(
        document, QString(), office, std::move(passLock), std::move(deadline));
    pass.loaded = true;
    return book;
}

void loadSpreadsheetComponent(
    const Reference<css::frame::XDesktop2>& desktop, OfficeProcess& office)
{
    css::uno::Sequence<css::beans::PropertyValue> arguments(1);
    arguments.getArray()[0] = property("Hidden", css::uno::Any(true));
    try {
        Reference<css::frame::XComponentLoader> loader(desktop, UNO_QUERY_THROW);
        const Reference<css::lang::XComponent> document = loader->loadComponentFromURL(
            OUString("private:factory/scalc"), OUString("_blank"), 0, arguments);
        Reference<css::util::XCloseable> closeable(document, UNO_QUERY);
        if (closeable.is())
            closeable->close(true);
    } catch (const css::uno::Exception& e) {
        throw connectionLost(e, office, QString());
    }
}
