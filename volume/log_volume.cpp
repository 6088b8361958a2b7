#include "volume/log_volume.h"

#include "field_text/field_text.h"

namespace {

struct PerLogRule {
    double (*formula)(double d, double l);
    int decimals;
};

double shortLongLogFormula(double d, double l)
{
    const double bracket = d + 0.5 * l;
    return bracket * bracket * (0.8 * l) / 10000;
}

double smallDiameterFormula(double d, double l)
{
    const double bracket = d + 0.45 * l + 0.2;
    return bracket * bracket * (0.7854 * l) / 10000;
}

double largeDiameterFormula(double d, double l)
{
    const double t = (14 - l) * (14 - l) * (0.000125 * l) * (d - 10);
    const double s = 0.005 * l * l + (0.5 * l + d) + t;
    return s * s * (0.7854 * l) / 10000;
}

PerLogRule ruleFor(double d, double l)
{
    if (l < 2)
        return { shortLongLogFormula, d <= 7 ? 4 : 3 };
    if (l <= 10) {
        if (d <= 7)
            return { smallDiameterFormula, 4 };
        if (d <= 13)
            return { smallDiameterFormula, 3 };
        return { largeDiameterFormula, 3 };
    }
    // Long logs of 7 cm and less have no table branch: they take the
    // long-log formula with the small-diameter rounding of their neighbours.
    return { shortLongLogFormula, d <= 7 ? 4 : 3 };
}

} // namespace

QString CaiJiJiSuan(const QString& jingji, const QString& jianshu, const QString& caichang)
{
    return CaiJiJiSuan(leadingNumber(jingji), leadingNumber(jianshu), leadingNumber(caichang));
}

QString CaiJiJiSuan(double d, double n, double l)
{
    const PerLogRule rule = ruleFor(d, l);
    const double perLog = leadingNumber(patternText(rule.formula(d, l), rule.decimals));
    return patternText(perLog * n, 4);
}
