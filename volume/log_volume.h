#pragma once

#include <QString>

// Volume in cubic metres of `jianshu` logs of diameter class `jingji` (cm)
// and length `caichang` (m), by the round-log table formulas, as "0.0000"
// text. Each text is read with leadingNumber; the per-log volume is rounded
// before it is multiplied by the count.
QString CaiJiJiSuan(const QString& jingji, const QString& jianshu, const QString& caichang);

// The same rule on the three numbers already read from their texts.
QString CaiJiJiSuan(double jingji, double jianshu, double caichang);
