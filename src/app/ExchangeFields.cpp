#include "app/ExchangeFields.h"

#include "app/AppMessages.h"
#include "platform/UserPrompts.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <limits>

namespace
{

// Digits only (after the optional sign), at least one, with surrounding blanks trimmed.
bool ParseDigits(const QString& text, bool allowSign, bool& negative, std::uint64_t& magnitude)
{
    const QString trimmed = text.trimmed();
    qsizetype position = 0;
    negative = false;
    if (allowSign && position < trimmed.size() &&
        (trimmed[position] == QLatin1Char('-') || trimmed[position] == QLatin1Char('+')))
    {
        negative = trimmed[position] == QLatin1Char('-');
        ++position;
    }
    if (position == trimmed.size())
        return false;
    magnitude = 0;
    for (; position < trimmed.size(); ++position)
    {
        const QChar character = trimmed[position];
        if (character < QLatin1Char('0') || character > QLatin1Char('9'))
            return false;
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(character.unicode() - '0');
        // Far beyond any 32-bit field: stop before the 64-bit value could wrap.
        if (magnitude > (std::uint64_t{1} << 33))
            return false;
    }
    return true;
}

void Refuse(CUserPrompts& prompts, QLineEdit* edit, const QString& message)
{
    ShowAppMessage(prompts, message);
    edit->setFocus(Qt::OtherFocusReason);
    edit->selectAll();
}

bool InRange(const CFieldRange* range, std::int64_t value)
{
    return range == nullptr || (value >= range->min && value <= range->max);
}

} // namespace

bool ParseSignedField(const QString& text, std::int32_t& value)
{
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (!ParseDigits(text, true, negative, magnitude))
        return false;
    const std::int64_t number =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    if (number < std::numeric_limits<std::int32_t>::min() ||
        number > std::numeric_limits<std::int32_t>::max())
        return false;
    value = static_cast<std::int32_t>(number);
    return true;
}

bool ParseUnsignedField(const QString& text, std::uint32_t& value)
{
    bool negative = false;
    std::uint64_t magnitude = 0;
    if (!ParseDigits(text, false, negative, magnitude) ||
        magnitude > std::numeric_limits<std::uint32_t>::max())
        return false;
    value = static_cast<std::uint32_t>(magnitude);
    return true;
}

QString OutOfRangeMessage(const CFieldRange& range)
{
    QString name = QString::fromUtf8(range.name);
    name.remove(QLatin1Char('&'));
    if (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return QStringLiteral("%1 must be a number from %2 to %3.")
        .arg(name)
        .arg(range.min)
        .arg(range.max);
}

namespace
{

// Reads a number field with parse, refusing text that is not a number (notANumber) and a number
// outside range; the value changes only when both checks pass.
template <class Number, class Parse>
bool ExchangeNumber(CUserPrompts& prompts, QLineEdit* edit, Number& value, const CFieldRange* range,
                    Parse parse, const char* notANumber)
{
    Number read = 0;
    if (!parse(edit->text(), read))
    {
        // The range says what the field takes, also for a number too large to read.
        Refuse(prompts, edit,
               range != nullptr ? OutOfRangeMessage(*range) : QString::fromLatin1(notANumber));
        return false;
    }
    if (!InRange(range, read))
    {
        Refuse(prompts, edit, OutOfRangeMessage(*range));
        return false;
    }
    value = read;
    return true;
}

} // namespace

bool ExchangeSigned(CUserPrompts& prompts, QLineEdit* edit, std::int32_t& value,
                    const CFieldRange* range)
{
    return ExchangeNumber(prompts, edit, value, range, ParseSignedField, kEnterIntegerMessage);
}

bool ExchangeUnsigned(CUserPrompts& prompts, QLineEdit* edit, std::uint32_t& value,
                      const CFieldRange* range)
{
    return ExchangeNumber(prompts, edit, value, range, ParseUnsignedField,
                          kEnterPositiveIntegerMessage);
}

bool ExchangeCountUpTo(CUserPrompts& prompts, QLineEdit* edit, const CFieldRange& range,
                       std::uint32_t& value)
{
    if (edit->text().trimmed().isEmpty())
    {
        value = 0;
        return true;
    }
    return ExchangeUnsigned(prompts, edit, value, &range);
}

void ShowAppMessage(CUserPrompts& prompts, const QString& text)
{
    prompts.ShowMessageAs(CUserPrompts::EKind::Warning, kAppName, text.toStdString());
}

void AcceptNumbersOnly(QLineEdit* edit)
{
    // Blanks, one sign and digits: a letter is refused as it is typed, not only at OK.
    static const QRegularExpression kNumberText(QStringLiteral("\\s*[+-]?\\d*\\s*"));
    edit->setValidator(new QRegularExpressionValidator(kNumberText, edit));
}
