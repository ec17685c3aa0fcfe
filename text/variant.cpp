#include "text/variant.h"

#include <cmath>
#include <limits>

namespace vb {

namespace {

// The leading-number conversion skips these wherever they stand ("1 000" -> 1000).
bool isIgnoredInNumber(QChar c) { return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r'; }

// Length of the longest prefix of text that reads as a decimal number
// ([+-] digits [. digits] [E|D [+-] digits]); 0 when there is none.
qsizetype numberPrefixLength(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    auto digitRun = [&] {
        const qsizetype start = i;
        while (i < n && text[i] >= u'0' && text[i] <= u'9')
            ++i;
        return i - start;
    };
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        ++i;
    qsizetype digits = digitRun();
    if (i < n && text[i] == u'.') {
        ++i;
        digits += digitRun();
    }
    if (digits == 0)
        return 0;
    const qsizetype mantissaEnd = i;
    if (i < n && (text[i] == u'e' || text[i] == u'E' || text[i] == u'd' || text[i] == u'D')) {
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            ++i;
        if (digitRun() == 0)
            return mantissaEnd;
    }
    return i;
}

double parseDecimal(QString text)
{
    for (QChar& c : text)
        if (c == u'd' || c == u'D')
            c = u'E';
    bool ok = false;
    const double value = text.toDouble(&ok);
    return ok ? value : std::numeric_limits<double>::quiet_NaN();
}

}  // namespace

QString numberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value > 0 ? QStringLiteral("Infinity") : QStringLiteral("-Infinity");
    if (value == 0)
        return QStringLiteral("0");  // also for -0
    // Fifteen significant digits, trailing zeros dropped, exponent form from 1E+15
    // and below 1E-04: the same shape as the classic Basic number-to-text conversion.
    return QString::number(value, 'g', 15).toUpper();
}

std::optional<double> strictNumber(const QString& text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    if (numberPrefixLength(trimmed) != trimmed.size())
        return std::nullopt;
    const double value = parseDecimal(trimmed);
    if (std::isnan(value) || std::isinf(value))
        return std::nullopt;
    return value;
}

double leadingNumber(const QString& text)
{
    QString packed;
    packed.reserve(text.size());
    for (QChar c : text)
        if (!isIgnoredInNumber(c))
            packed.append(c);
    const qsizetype length = numberPrefixLength(packed);
    if (length == 0)
        return 0;
    const double value = parseDecimal(packed.left(length));
    return std::isfinite(value) ? value : 0;
}

std::optional<qint16> toInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value);  // the default rounding mode sends halves to even
    if (rounded < -32768 || rounded > 32767)
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

std::optional<qint16> toInt16(const QString& text)
{
    const auto number = strictNumber(text);
    return number ? toInt16(*number) : std::nullopt;
}

QString formatZero(double value)
{
    return numberText(std::round(value) + 0.0);  // + 0.0 turns -0 into 0
}

QString Variant::toText() const
{
    switch (kind_) {
    case Kind::Empty: return {};
    case Kind::Number: return numberText(number_);
    case Kind::Text: return text_;
    }
    return {};
}

std::optional<double> Variant::toNumber() const
{
    switch (kind_) {
    case Kind::Empty: return 0.0;
    case Kind::Number: return number_;
    case Kind::Text: return strictNumber(text_);
    }
    return std::nullopt;
}

bool Variant::operator==(const Variant& other) const
{
    if (kind_ != other.kind_)
        return false;
    switch (kind_) {
    case Kind::Empty: return true;
    case Kind::Number: return number_ == other.number_;
    case Kind::Text: return text_ == other.text_;
    }
    return false;
}

}  // namespace vb
