#pragma once

#include <QString>
#include <cstdint>

class CUserPrompts;
class QLineEdit;

// Number fields of the options pages and the mode dialog: what a number field accepts, and the
// message that refuses anything else.
inline constexpr const char* kEnterIntegerMessage = "Please enter an integer.";
inline constexpr const char* kEnterPositiveIntegerMessage = "Please enter a positive integer.";

// Blanks around the number are allowed; anything else beside the digits (and, for a signed
// field, one leading sign) is refused, and so is a number that does not fit the field.
bool ParseSignedField(const QString& text, std::int32_t& value);
bool ParseUnsignedField(const QString& text, std::uint32_t& value);

// The values a field takes, and its label as the refusal names it.
struct CFieldRange
{
    const char* name;
    std::int64_t min;
    std::int64_t max;
};

// Reads the edit into value; when it holds no such number, or one outside range, tells the
// user (naming the range when there is one), gives the edit the focus with its text selected and
// returns false (value unchanged).
bool ExchangeSigned(CUserPrompts& prompts, QLineEdit* edit, std::int32_t& value,
                    const CFieldRange* range = nullptr);
bool ExchangeUnsigned(CUserPrompts& prompts, QLineEdit* edit, std::uint32_t& value,
                      const CFieldRange* range = nullptr);

// Lets the edit take only what a number field can hold (blanks, a sign, digits) as it is typed.
void AcceptNumbersOnly(QLineEdit* edit);

// "NAME must be a number from MIN to MAX."
QString OutOfRangeMessage(const CFieldRange& range);

// A count field where a blank field means 0; otherwise as ExchangeUnsigned with range.
bool ExchangeCountUpTo(CUserPrompts& prompts, QLineEdit* edit, const CFieldRange& range,
                       std::uint32_t& value);

// Tells the user in a message box with the program's name as caption.
void ShowAppMessage(CUserPrompts& prompts, const QString& text);
