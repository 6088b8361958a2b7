#pragma once

// Where the workbooks live. A program run from a build or a copied folder
// keeps them beside itself; an installed one (under /usr) cannot write
// there, so they live in the user's data folder, seeded once from the
// templates the package ships and never overwritten.

#include <QString>
#include <QStringList>

bool isInstalledProgram(const QString& programFolder);

// The packaged templates of an installed program.
QString workbookTemplateFolder(const QString& programFolder);

// Copies every template workbook that is not in the folder yet; returns the
// names copied. A workbook already there is never touched.
QStringList seedWorkbooks(const QString& templateFolder, const QString& folder);
