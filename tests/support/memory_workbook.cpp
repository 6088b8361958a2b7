#include "memory_workbook.h"

#include "field_text/field_text.h"
#include "records/cell_values.h"

namespace {

class MemoryWorksheet : public Worksheet {
public:
    MemoryWorksheet(MemorySpreadsheet& app, MemorySheet& staged)
        : m_app(app)
        , m_sheet(staged)
    {
    }

    QString shownText(int row, int column) override
    {
        m_app.check(QStringLiteral("read"));
        return m_sheet.shownText(row, column);
    }

    QString valueText(int row, int column) override { return shownText(row, column); }

    void setNumber(int row, int column, double value) override
    {
        store(row, column, { true, value, {} });
    }

    void setText(int row, int column, const QString& text) override
    {
        store(row, column, { false, 0, text });
    }

    void setDate(int row, int column, const QDate& date) override
    {
        store(row, column, { true, dateSerial(date), date.toString(QStringLiteral("yyyy-MM-dd")) });
    }

    // One read, as the office's block read is one call.
    int firstRowShowingNoText(int column, int top, int bottom) override
    {
        m_app.check(QStringLiteral("read"));
        for (int row = top; row <= bottom; ++row)
            if (m_sheet.shownText(row, column).isEmpty())
                return row;
        return 0;
    }

    int lastRowInUse(int limit) override
    {
        m_app.check(QStringLiteral("read"));
        int last = 0;
        for (auto cell = m_sheet.cells.keyBegin(); cell != m_sheet.cells.keyEnd(); ++cell)
            last = std::max(last, cell->first);
        return std::min(last, limit);
    }

    void setComment(int row, int column, const QString& text) override
    {
        m_app.check(QStringLiteral("write"));
        m_sheet.comments[{ row, column }] = text;
    }

    QString comment(int row, int column) override
    {
        m_app.check(QStringLiteral("read"));
        return m_sheet.comments.value({ row, column });
    }

private:
    void store(int row, int column, const MemoryCell& cell)
    {
        m_app.check(QStringLiteral("write"));
        m_app.writes.append({ m_sheet.name, row, column, cell });
        if (!cell.isNumber && cell.text.isEmpty())
            m_sheet.cells.remove({ row, column });
        else
            m_sheet.cells[{ row, column }] = cell;
    }

    MemorySpreadsheet& m_app;
    MemorySheet& m_sheet;
};

// Works on a copy of the file's sheets; only save puts them back.
class MemoryWorkbook : public Workbook {
public:
    MemoryWorkbook(MemorySpreadsheet& app, QString path, QVector<MemorySheet> sheets)
        : m_app(app)
        , m_path(std::move(path))
        , m_sheets(std::move(sheets))
    {
    }

    Worksheet& sheetAt(int position) override
    {
        m_app.check(QStringLiteral("sheet"));
        if (position < 1 || position > m_sheets.size())
            throw Failure(FailureCause::SheetMissing, m_path, QString::number(position));
        return view(m_sheets[position - 1]);
    }

    Worksheet& sheetNamed(const QString& name) override
    {
        m_app.check(QStringLiteral("sheet"));
        for (MemorySheet& sheet : m_sheets)
            if (sheet.name == name)
                return view(sheet);
        throw Failure(FailureCause::SheetMissing, m_path, name);
    }

    QStringList sheetNames() override
    {
        m_app.check(QStringLiteral("sheet"));
        QStringList names;
        for (const MemorySheet& sheet : m_sheets)
            names << sheet.name;
        return names;
    }

    void save() override
    {
        m_app.check(QStringLiteral("save"));
        if (m_path.isEmpty())
            throw Failure(
                FailureCause::Other, m_path, QStringLiteral("a new workbook has no file"));
        m_app.files[m_path] = m_sheets;
        ++m_app.saves;
    }

    void saveCopy(const QString& path, CopyFormat format) override
    {
        m_app.check(QStringLiteral("copy"));
        if (format == CopyFormat::Excel97)
            m_app.files[path] = m_sheets;
        m_app.copies.insert(path, format);
    }

    void close() override { m_app.check(QStringLiteral("close")); }

private:
    Worksheet& view(MemorySheet& sheet)
    {
        m_view = std::make_unique<MemoryWorksheet>(m_app, sheet);
        return *m_view;
    }

    MemorySpreadsheet& m_app;
    QString m_path;
    QVector<MemorySheet> m_sheets;
    std::unique_ptr<MemoryWorksheet> m_view;
};

} // namespace

QString MemorySheet::shownText(int row, int column) const
{
    const MemoryCell cell = cells.value({ row, column });
    if (cell.isNumber && cell.text.isEmpty())
        return plainNumberText(cell.number);
    return cell.text;
}

std::unique_ptr<Workbook> MemorySpreadsheet::open(const QString& path)
{
    QMutexLocker lock(&m_mutex);
    check(QStringLiteral("open"));
    // As the office's: a workbook on the disk is not opened through a link.
    refuseLinkedEntry(path);
    if (!files.contains(path))
        throw Failure(FailureCause::WorkbookMissing, path);
    ++opens;
    return std::make_unique<MemoryWorkbook>(*this, path, files.value(path));
}

std::unique_ptr<Workbook> MemorySpreadsheet::create()
{
    QMutexLocker lock(&m_mutex);
    check(QStringLiteral("create"));
    ++creates;
    return std::make_unique<MemoryWorkbook>(
        *this, QString(), QVector<MemorySheet> { { QStringLiteral("Sheet1"), {} } });
}

void MemorySpreadsheet::show(const QString& path)
{
    check(QStringLiteral("show"));
    if (!files.contains(path))
        throw Failure(FailureCause::WorkbookMissing, path);
    shown << path;
}

MemorySheet& MemorySpreadsheet::sheet(const QString& path, const QString& name)
{
    for (MemorySheet& sheet : files[path])
        if (sheet.name == name)
            return sheet;
    files[path].append({ name, {} });
    return files[path].last();
}

void MemorySpreadsheet::check(const QString& operation)
{
    if (beforeOperation)
        beforeOperation(operation);
}
