#pragma once

#include "records/bill_export.h"
#include "records/libreoffice/libreoffice_spreadsheet.h"
#include "records/libreoffice/office_environment.h"
#include "records/stock_ledger.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QUrl>
#include <functional>
#include <unistd.h>

// Messages and focus requests of a command, as the window would get them.
class RecordingPrompts : public CommandPrompts {
public:
    QStringList messages;
    int focusRequests = 0;

    QStringList questions;
    QList<bool> answers; // given in turn; 是 once they run out

    void showMessage(const QString& text) override { messages << text; }
    void focusTotalVolume() override { ++focusRequests; }
    bool askYesNo(const QString& question) override
    {
        questions << question;
        return answers.isEmpty() ? true : answers.takeFirst();
    }

    QList<QStringList> choices; // the options of each choice asked
    int choose = 0; // the index every choice takes
    int chooseOne(const QString&, const QStringList& options) override
    {
        choices << options;
        return choose;
    }
};

// Office settings for tests: a profile that outlives the test run, so only
// the very first run pays for its creation, and a launcher that records.
inline OfficeSettings testOfficeSettings(const QString& name, QStringList* shown)
{
    OfficeSettings settings;
    settings.profileFolder
        = QDir::temp().filePath(QStringLiteral("quorvane-test-%1-%2").arg(name).arg(getuid()));
    settings.startSeconds = 90;
    settings.passSeconds = 30;
    settings.launcher = [shown](const QString& path) {
        if (shown)
            shown->append(path);
        return true;
    };
    return settings;
}

// The workbooks of the source tree, or of QUORVANE_WORKBOOKS where a test
// runs from a staged copy.
inline QString shippedWorkbook(const QString& name)
{
    const QString folder
        = qEnvironmentVariable("QUORVANE_WORKBOOKS", QStringLiteral(QUORVANE_WORKBOOKS));
    return QDir(folder).filePath(name);
}

// A writable copy of the shipped bill in `folder`; empty when not copied.
inline QString copyShippedBill(const QString& folder)
{
    const QString path = billPath(folder);
    if (!QFile::copy(shippedWorkbook(QStringLiteral("木材账单.xls")), path))
        return {};
    QFile(path).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return path;
}

// A copy the suite cannot do without: a failed one ends the suite at once
// rather than letting its cases run on a missing file.
inline void copyFileOrFail(const QString& from, const QString& to)
{
    if (!QFile::copy(from, to))
        qFatal("cannot copy %s to %s", qPrintable(from), qPrintable(to));
}

inline QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A temporary folder with Chinese and a space in its name, as a yard's
// folders have them: names must reach the office and the disk intact.
inline QString chineseFolderTemplate()
{
    return QDir::temp().filePath(QStringLiteral("原木 检尺-XXXXXX"));
}

// Converts a file with the office's command line into `format` (xls,
// fods, ...) in `folder`, with a profile of its own there.
inline bool convertWithOffice(const QString& source, const QString& folder, const QString& format)
{
    QProcess soffice;
    soffice.setProcessEnvironment(headlessOfficeEnvironment());
    soffice.start(QStringLiteral("soffice"),
        { QStringLiteral("--headless"), QStringLiteral("--norestore"),
            QStringLiteral("-env:UserInstallation=")
                + QUrl::fromLocalFile(QDir(folder).filePath(QStringLiteral("convert-profile")))
                      .toString(QUrl::FullyEncoded),
            QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"), folder, source });
    return soffice.waitForFinished(120000) && soffice.exitCode() == 0;
}

// Converts a flat spreadsheet text into an Excel 97 file, for workbooks of
// unusual shape.
inline bool convertToXls(const QString& fods, const QString& folder)
{
    return convertWithOffice(fods, folder, QStringLiteral("xls"));
}

// A copy of an Excel 97 workbook in `folder`, changed on the way through
// the office's flat XML form (sheets reordered, a sheet protected, ...).
inline QString changedWorkbook(const QString& source, const QString& folder,
    const std::function<QByteArray(QByteArray)>& change)
{
    if (!convertWithOffice(source, folder, QStringLiteral("fods")))
        return {};
    const QString fods = QDir(folder).filePath(QFileInfo(source).completeBaseName() + ".fods");
    QFile flat(fods);
    if (!flat.open(QIODevice::ReadOnly))
        return {};
    const QByteArray changed = change(flat.readAll());
    flat.close();
    if (!flat.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || flat.write(changed) != changed.size())
        return {};
    flat.close();
    if (!convertToXls(fods, folder))
        return {};
    return QDir(folder).filePath(QFileInfo(source).fileName());
}

// The flat XML of one sheet, from its opening tag to its end.
inline std::pair<qsizetype, qsizetype> sheetSpan(const QByteArray& flat, const QString& name)
{
    const qsizetype start = flat.indexOf("<table:table table:name=\"" + name.toUtf8() + '"');
    const QByteArray end = "</table:table>";
    const qsizetype stop = flat.indexOf(end, start);
    return { start, start < 0 || stop < 0 ? -1 : stop + end.size() };
}

// A one-sheet workbook named "Sheet1".
inline QString oneSheetWorkbook(const QString& folder, const QString& fileName)
{
    const QString fods
        = QDir(folder).filePath(QFileInfo(fileName).completeBaseName() + QStringLiteral(".fods"));
    QFile file(fods);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(R"(<?xml version="1.0" encoding="UTF-8"?>
<office:document xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:table="urn:oasis:names:tc:opendocument:xmlns:table:1.0" xmlns:text="urn:oasis:names:tc:opendocument:xmlns:text:1.0" office:version="1.2" office:mimetype="application/vnd.oasis.opendocument.spreadsheet">
<office:body><office:spreadsheet><table:table table:name="Sheet1"><table:table-row><table:table-cell office:value-type="string"><text:p>x</text:p></table:table-cell></table:table-row></table:table></office:spreadsheet></office:body></office:document>
)");
    file.close();
    if (!convertToXls(fods, folder))
        return {};
    const QString converted
        = QDir(folder).filePath(QFileInfo(fileName).completeBaseName() + QStringLiteral(".xls"));
    const QString target = QDir(folder).filePath(fileName);
    if (converted != target)
        QFile::rename(converted, target);
    return target;
}
