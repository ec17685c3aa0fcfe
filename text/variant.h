// Loosely typed values and the number/text conversions the game relies on.
#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace vb {

// Shortest decimal text of a number: 300 -> "300", 2.5 -> "2.5", at most 15
// significant digits, exponent form ("1E+15") only for very large or small values.
QString numberText(double value);

// Strict conversion: the whole text, spaces around it aside, must spell a number.
std::optional<double> strictNumber(const QString& text);

// Leading-number conversion: the number at the start of the text, spaces anywhere
// ignored, 0 when the text does not begin with a number ("12abc" -> 12, "abc" -> 0).
double leadingNumber(const QString& text);

// Conversion to a 16-bit signed integer: halves go to the even neighbour
// (8.5 -> 8, 9.5 -> 10); nothing for values outside -32768..32767 or non-numbers.
std::optional<qint16> toInt16(double value);
std::optional<qint16> toInt16(const QString& text);

// Formatting with the pattern "0": rounded to a whole number, a half away from zero.
QString formatZero(double value);

// A value that is empty, a number or a text, as the game's program-wide variables are.
class Variant {
public:
    // Implicit on purpose: a variable takes a number or a text by plain assignment.
    Variant() = default;
    // cppcheck-suppress noExplicitConstructor
    Variant(double number) : kind_(Kind::Number), number_(number) {}
    // cppcheck-suppress noExplicitConstructor
    Variant(const QString& text) : kind_(Kind::Text), text_(text) {}
    // cppcheck-suppress noExplicitConstructor
    Variant(const char* text) : Variant(QString::fromUtf8(text)) {}

    bool isEmpty() const { return kind_ == Kind::Empty; }

    // "" when empty, the shortest decimal text of a number, or the text itself.
    QString toText() const;
    // 0 when empty, the number itself, or the strict conversion of the text.
    std::optional<double> toNumber() const;

    bool operator==(const Variant& other) const;

private:
    enum class Kind { Empty, Number, Text };

    Kind kind_ = Kind::Empty;
    double number_ = 0;
    QString text_;
};

}  // namespace vb
