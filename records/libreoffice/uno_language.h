#pragma once

// The office picks the face for Chinese text by the text's Asian language:
// with none set it takes the first CJK face it finds, often the Japanese
// forms. The documents we print carry Simplified Chinese instead.

#include <com/sun/star/uno/Reference.hxx>
#include <com/sun/star/uno/XInterface.hpp>

// Sets zh-CN as the Asian language of the document's defaults, of every
// cell style and of every cell, and the Song face of the architecture
// (AR PL UMing CN, else Noto Serif CJK SC) for every cell's text. A
// document whose default cell style has that face from its template (the
// shipped bill) only takes the language of its defaults.
void setSimplifiedChinese(const css::uno::Reference<css::uno::XInterface>& document);
