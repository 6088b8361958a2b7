#include "records/libreoffice/uno_language.h"

#include <com/sun/star/beans/XPropertySet.hpp>
#include <com/sun/star/container/XEnumeration.hpp>
#include <com/sun/star/container/XEnumerationAccess.hpp>
#include <com/sun/star/container/XIndexAccess.hpp>
#include <com/sun/star/container/XNameAccess.hpp>
#include <com/sun/star/lang/Locale.hpp>
#include <com/sun/star/sheet/CellFlags.hpp>
#include <com/sun/star/sheet/XCellRangesQuery.hpp>
#include <com/sun/star/sheet/XHeaderFooterContent.hpp>
#include <com/sun/star/sheet/XSheetCellRanges.hpp>
#include <com/sun/star/sheet/XSpreadsheetDocument.hpp>
#include <com/sun/star/style/XStyleFamiliesSupplier.hpp>
#include <com/sun/star/text/XText.hpp>
#include <com/sun/star/text/XTextCursor.hpp>

using css::uno::Reference;
using css::uno::UNO_QUERY;
using css::uno::UNO_QUERY_THROW;
using rtl::OUString;

namespace {

void setRunFace(
    const Reference<css::text::XText>& text, const css::uno::Any& locale, const css::uno::Any& song)
{
    const Reference<css::text::XTextCursor> cursor = text->createTextCursor();
    cursor->gotoStart(false);
    cursor->gotoEnd(true);
    const Reference<css::beans::XPropertySet> run(cursor, UNO_QUERY_THROW);
    run->setPropertyValue("CharLocaleAsian", locale);
    run->setPropertyValue("CharFontNameAsian", song);
    run->setPropertyValue("CharFontName", song);
}

// Text with formatted runs keeps each run's own face and language over the
// cell's: those runs get the Song face whole.
void setRichTextFace(const Reference<css::uno::XInterface>& sheet, const css::uno::Any& locale,
    const css::uno::Any& song)
{
    const Reference<css::sheet::XCellRangesQuery> query(sheet, UNO_QUERY_THROW);
    const Reference<css::container::XEnumerationAccess> cells(
        query->queryContentCells(css::sheet::CellFlags::FORMATTED)->getCells(), UNO_QUERY_THROW);
    const Reference<css::container::XEnumeration> each = cells->createEnumeration();
    while (each->hasMoreElements()) {
        const Reference<css::text::XText> text(each->nextElement(), UNO_QUERY);
        if (text.is())
            setRunFace(text, locale, song);
    }
}

// A printed page's header and footer (the sheet's name, the page number)
// are text of the page style, apart from every cell.
void setHeaderFooterFace(const Reference<css::uno::XInterface>& document,
    const css::uno::Any& locale, const css::uno::Any& song)
{
    const Reference<css::style::XStyleFamiliesSupplier> families(document, UNO_QUERY_THROW);
    const Reference<css::container::XIndexAccess> pages(
        families->getStyleFamilies()->getByName("PageStyles"), UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < pages->getCount(); ++i) {
        const Reference<css::beans::XPropertySet> page(pages->getByIndex(i), UNO_QUERY);
        if (!page.is())
            continue;
        for (const char* name : { "RightPageHeaderContent", "LeftPageHeaderContent",
                 "RightPageFooterContent", "LeftPageFooterContent" }) {
            const OUString property = OUString::createFromAscii(name);
            Reference<css::sheet::XHeaderFooterContent> content(
                page->getPropertyValue(property), UNO_QUERY);
            if (!content.is())
                continue;
            for (const auto& text :
                { content->getLeftText(), content->getCenterText(), content->getRightText() })
                setRunFace(text, locale, song);
            page->setPropertyValue(property, css::uno::Any(content));
        }
    }
}

// The bill's Song face: the first of the list that is installed.
OUString songFaces()
{
    return "AR PL UMing CN;Noto Serif CJK SC";
}

// A workbook made from a template that carries the Song face in its
// default cell style (the shipped bill) has it in every cell already.
bool defaultStyleIsSong(const Reference<css::container::XNameAccess>& cellStyles)
{
    if (!cellStyles->hasByName("Default"))
        return false;
    const Reference<css::beans::XPropertySet> style(cellStyles->getByName("Default"), UNO_QUERY);
    if (!style.is())
        return false;
    OUString western;
    OUString asian;
    style->getPropertyValue("CharFontName") >>= western;
    style->getPropertyValue("CharFontNameAsian") >>= asian;
    return western == songFaces() && asian == songFaces();
}

} // namespace

void setSimplifiedChinese(const Reference<css::uno::XInterface>& document)
{
    css::lang::Locale chinese;
    chinese.Language = "zh";
    chinese.Country = "CN";
    const css::uno::Any locale(chinese);
    // An .xls keeps no language: the document's own is what its cells have.
    // Set only when it differs: an office in a Chinese or neutral locale has it.
    const Reference<css::beans::XPropertySet> defaults(document, UNO_QUERY_THROW);
    css::lang::Locale current;
    defaults->getPropertyValue("CharLocaleAsian") >>= current;
    if (current.Language != chinese.Language || current.Country != chinese.Country)
        defaults->setPropertyValue("CharLocaleAsian", locale);
    const Reference<css::style::XStyleFamiliesSupplier> families(document, UNO_QUERY_THROW);
    const Reference<css::container::XNameAccess> cellStyles(
        families->getStyleFamilies()->getByName("CellStyles"), UNO_QUERY_THROW);
    // Going over every cell costs a bill about 100 ms: only for workbooks
    // whose template does not carry the face (a yard's older bill, the ledger).
    if (defaultStyleIsSong(cellStyles))
        return;
    const Reference<css::container::XIndexAccess> styles(cellStyles, UNO_QUERY_THROW);
    for (sal_Int32 i = 0; i < styles->getCount(); ++i) {
        const Reference<css::beans::XPropertySet> style(styles->getByIndex(i), UNO_QUERY);
        if (style.is())
            style->setPropertyValue("CharLocaleAsian", locale);
    }
    // Cells read from an .xls carry their own attributes: a whole sheet
    // takes the language in one call.
    const Reference<css::sheet::XSpreadsheetDocument> book(document, UNO_QUERY_THROW);
    const Reference<css::container::XIndexAccess> sheets(book->getSheets(), UNO_QUERY_THROW);
    const css::uno::Any song(songFaces());
    for (sal_Int32 i = 0; i < sheets->getCount(); ++i) {
        const Reference<css::beans::XPropertySet> sheet(sheets->getByIndex(i), UNO_QUERY_THROW);
        sheet->setPropertyValue("CharLocaleAsian", locale);
        sheet->setPropertyValue("CharFontNameAsian", song);
        // The template's Western face is a CJK one too, whose numbers would
        // bring its Japanese-named face back.
        sheet->setPropertyValue("CharFontName", song);
        setRichTextFace(sheet, locale, song);
    }
    setHeaderFooterFace(document, locale, song);
}
