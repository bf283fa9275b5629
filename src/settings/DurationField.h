#pragma once
// A settings row that edits a number of seconds in the largest whole unit that fits it.
#include <QWidget>

#include <functional>
#include <optional>
#include <string_view>

#include "platform/EnumNames.h"

class QLineEdit;
class QComboBox;
class QLabel;

namespace kp {

class Defaults;

enum class DurationUnit { seconds, minutes, hours, days };

template <>
struct EnumNames<DurationUnit> {
    static constexpr std::array<std::string_view, 4> names{"sec", "min", "h", "days"};
};

double durationFactor(DurationUnit unit);

struct DurationDisplay {
    DurationUnit unit;
    double amount;
};

// The largest unit that divides `seconds` exactly (seconds when none does), and the amount in it;
// `seconds` taken to 15 significant digits, past which a double holds only arithmetic's noise.
DurationDisplay durationDisplay(double seconds);
// The seconds an edit stores, to the digits the amount has: never below `minimum` nor above
// `maximum`.
double durationToStore(double amount, DurationUnit unit, double minimum, double maximum);

inline constexpr double kDay = 86400;
// The longest any duration setting may be unless it says otherwise: a year.
inline constexpr double kLongestDuration = 365 * kDay;

class DurationField : public QWidget {
    Q_OBJECT
public:
    using Getter = std::function<double()>;
    using Setter = std::function<void(double)>;
    // The amount's box is this wide, and wider while its text needs it.
    static constexpr int boxWidth = 56;

    // Amounts are stored within `minimum`...`maximum`; amounts that are not finite are refused (the
    // field keeps its last good value). Once an edit ends the field shows the value it stored.
    DurationField(const QString& title, Getter get, Setter set, double minimum, double maximum = kLongestDuration,
                  QWidget* parent = nullptr);
    // A row bound to a stored duration; `fallback` is what an absent or unusable value reads as.
    static DurationField* forKey(const QString& title, Defaults& store, const QString& key, double fallback,
                                 double minimum, double maximum = kLongestDuration, QWidget* parent = nullptr);

    double amount() const { return amount_; }
    DurationUnit unit() const { return unit_; }
    // The box's text: the amount with every digit it has (to what a double holds).
    QString amountText() const;
    // Rows that carry their own title hide the field's.
    void hideTitle();

    // The user's edits. The text box's own text goes through editText, as typed, and the box is
    // set to the stored value when its edit ends (editingFinished); a unit is a whole edit.
    void editText(const QString& text);
    void editAmount(double amount);
    void editUnit(DurationUnit unit);
    // The bound value was written (by us or from elsewhere).
    void boundSecondsChanged(double seconds);
    // What happens when the row comes on screen.
    void syncFromSeconds();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void push();
    // At the end of an edit: the controls show what the store now holds, in the unit just chosen
    // with `keepUnit` when it can.
    void showStored(bool keepUnit);
    void refreshControls();

    Getter get_;
    Setter set_;
    double minimum_;
    double maximum_;
    double amount_ = 0;
    DurationUnit unit_ = DurationUnit::seconds;
    bool updatingControls_ = false;
    QLabel* label_;
    QLineEdit* number_;
    QComboBox* picker_;
};

}  // namespace kp
