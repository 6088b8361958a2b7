#pragma once

// Which typed values the books can take, and the note a field's mark shows
// when they cannot. Counts, lengths and prices are read as the tick reads
// them (the typed-number form of the leading-number parse); an empty text is
// never marked. The postings and the bill refuse a marked count or length
// and ask about a marked unit price.

#include <QString>

// A count whose number is whole, from 0 to 9 999, in a block with a length
// (a count of 0 needs none). "3abc" is 3 and has no note.
QString countNote(const QString& count, const QString& length);
// Why the books cannot take the count, for a refusal ("件数不能是负数");
// empty when they can.
QString countFault(const QString& count, const QString& length);

// A length above 0 and at most 20 metres.
QString lengthNote(const QString& length);
QString lengthFault(const QString& length);

// A unit price that reads wholly as a number of at least 0.
QString priceNote(const QString& price);

// How a marked unit price is counted, for the clerk: "单价“abc”不是数字，
// 按 0 元计算。"; empty when the price has no mark.
QString priceQuestionPart(const QString& price);
