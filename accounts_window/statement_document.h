#pragma once

// A partner's statement (对账单) as the yard sends it: one table of the
// period's loads and payments between the opening and the closing balance,
// as an A4 PDF drawn here and as an Excel workbook written by the office.
// Both take their texts from statementRows(), so they never disagree.
//
// Figures are exact: yuan with two decimals and m³ with four, printed from
// fen and ten-thousandths, never through a double. Amounts are signed from
// the yard's side, as in history/partner_accounts.h.

#include "history/partner_accounts.h"
#include "records/table_workbook.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

class Spreadsheet;

struct StatementPage {
    PartnerStatement statement;
    QString yard; // the yard's name as the clerk set it; may be empty
    QDate printedOn;
};

struct StatementRows {
    QString title; // "<yard> 对账单"
    QString partnerLine; // "对方：<partner>"
    QString namesLine; // "含：<the names joined into it>"; empty when none are
    QString periodLine; // "期间：2026-01-01 至 2026-12-31"
    QString printedLine; // "打印日期：2026-12-09"
    QStringList headings;
    // 期初余额, the entries, 本期合计, 期末余额; each as long as the headings.
    QVector<QStringList> rows;
    // The period's sums: { label, amount } each.
    QVector<QStringList> sums;
    QString signNote; // what the sign of a balance means
};

// "2026-01-01 至 2026-12-31"; an open end is left out.
QString statementPeriodText(const AccountPeriod& period);

// The 编号 of an entry: a billed load's bill number, else the load's own
// number; a payment's kind (收款, 付款 or 冲销) and its own number.
QString statementNumberText(const AccountEntry& entry);

StatementRows statementRows(const StatementPage& page);

// An A4 portrait PDF: the title block, the table over as many pages as it
// takes with its headings on each, the sums, the sign note, and
// "第 n 页 共 m 页" under every page.
QByteArray statementPdfBytes(const StatementPage& page);

// The same lines as one table of a workbook.
TableSheet statementTable(const StatementPage& page);
// A new Excel 97 workbook at `path` with the same lines. Throws Failure.
void writeStatementWorkbook(Spreadsheet& app, const QString& path, const StatementPage& page);
