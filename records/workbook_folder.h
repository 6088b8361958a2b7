#pragma once

// Where the workbooks live. A program run from a build or a copied folder
// keeps them beside itself. An installed one (under /usr) cannot write
// there: the workbooks and the bill archive live in Quorvane under the
// user's documents folder, seeded once from the templates the package
// ships and never overwritten; those an earlier version kept in the data
// folder are moved there first.

#include <QString>
#include <QStringList>

bool isInstalledProgram(const QString& programFolder);

// The packaged templates of an installed program.
QString workbookTemplateFolder(const QString& programFolder);

// Copies every template workbook that is not in the folder yet; returns the
// names copied. A workbook already there is never touched.
QStringList seedWorkbooks(const QString& templateFolder, const QString& folder);

struct WorkbookFolderChoice {
    QString folder;
    QString notice; // said to the clerk once the window is up; empty: nothing
};

// `documents` is the user's documents folder; `data` the data folder,
// where an earlier version kept the workbooks. When they cannot be moved
// they stay, and are used, where they are.
WorkbookFolderChoice chooseWorkbookFolder(
    const QString& programFolder, const QString& data, const QString& documents);
// The same for an installed program whose templates are in `templates`.
WorkbookFolderChoice installedWorkbookFolder(
    const QString& templates, const QString& data, const QString& documents);
