#include "support/Scratch.h"

#include <gtest/gtest.h>

#include "settings/DurationField.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest/QTest>

#include <cmath>
#include <limits>
#include <string>

using namespace kp;

namespace {
struct Row {
    double stored;
    int writes = 0;
    DurationField field;
    explicit Row(double initial, double minimum)
        : stored(initial),
          field("Drain", [this] { return stored; },
                [this](double s) {
                    stored = s;
                    ++writes;
                    field.boundSecondsChanged(s);
                },
                minimum) {}
};

// Text put into the row's box at once (as pasted), then the edit ended; what the row then shows.
std::string enter(DurationField& field, const char* text) {
    auto* box = field.findChild<QLineEdit*>();
    box->setText(QString::fromLatin1(text));
    field.editText(box->text());
    emit box->editingFinished();
    return (box->text() + ' ' + QString::fromLatin1(rawValue(field.unit()).data())).toStdString();
}
}  // namespace

TEST(DurationField, ShowsTheLargestUnitThatDividesTheValue) {
    struct Case { double s; const char* unit; double amount; };
    for (Case c : {Case{172800, "days", 2}, Case{1800, "min", 30}, Case{3600, "h", 1}, Case{86400, "days", 1},
                   Case{90, "sec", 90}, Case{5400, "min", 90}, Case{90.5, "sec", 90.5}, Case{0.5, "sec", 0.5}}) {
        const DurationDisplay d = durationDisplay(c.s);
        EXPECT_EQ(rawValue(d.unit), c.unit) << c.s;
        EXPECT_DOUBLE_EQ(d.amount, c.amount) << c.s;
    }
    EXPECT_FALSE(fromRawValue<DurationUnit>("hours").has_value());
    EXPECT_EQ(fromRawValue<DurationUnit>("h"), DurationUnit::hours);
}

TEST(DurationField, ComingOnScreenSyncsAndWritesNothing) {
    Row row(1800, 60);
    row.field.syncFromSeconds();
    EXPECT_EQ(row.field.unit(), DurationUnit::minutes);
    EXPECT_DOUBLE_EQ(row.field.amount(), 30);
    EXPECT_EQ(row.field.amountText(), "30");
    EXPECT_EQ(row.writes, 0);
    EXPECT_DOUBLE_EQ(row.stored, 1800);
}

TEST(DurationField, AValueBelowTheMinimumIsRaisedAndShownRaised) {
    Row row(0.5, 1);
    row.field.syncFromSeconds();
    EXPECT_DOUBLE_EQ(row.stored, 1);
    EXPECT_EQ(row.writes, 1);
    EXPECT_EQ(row.field.unit(), DurationUnit::seconds);
    EXPECT_DOUBLE_EQ(row.field.amount(), 1);  // the field shows what it stored
    EXPECT_EQ(row.field.amountText(), "1");
}

TEST(DurationField, EditsPushSecondsAndUnitChangesRescale) {
    Row row(1800, 60);
    row.field.syncFromSeconds();
    row.field.editUnit(DurationUnit::hours);
    EXPECT_DOUBLE_EQ(row.stored, 108000);
    EXPECT_DOUBLE_EQ(row.field.amount(), 30);  // its own write does not re-sync the field
    row.field.editAmount(0);
    EXPECT_DOUBLE_EQ(row.stored, 60);
    EXPECT_DOUBLE_EQ(row.field.amount(), 0);
}

TEST(DurationField, AWriteFromElsewhereResyncsUnlessItIsWhatTheFieldWouldPush) {
    Row row(1800, 60);
    row.field.syncFromSeconds();
    row.field.editAmount(45);  // 2700 s
    row.field.boundSecondsChanged(2700.0005);
    EXPECT_EQ(row.field.unit(), DurationUnit::minutes);
    EXPECT_DOUBLE_EQ(row.field.amount(), 45);
    row.stored = 172800;  // restore defaults writes the key
    row.field.boundSecondsChanged(172800);
    EXPECT_EQ(row.field.unit(), DurationUnit::days);
    EXPECT_DOUBLE_EQ(row.field.amount(), 2);
}

TEST(DurationField, BoundToAStoredKey) {
    kp::test::ScratchStore s;
    s->set("statDrainSeconds", 5400.0);
    auto* field = DurationField::forKey("Food lasts", *s, "statDrainSeconds", 1800, 60);
    field->syncFromSeconds();
    EXPECT_EQ(field->unit(), DurationUnit::minutes);
    EXPECT_DOUBLE_EQ(field->amount(), 90);
    s->remove("statDrainSeconds");  // absent reads as its default: the row follows
    EXPECT_DOUBLE_EQ(field->amount(), 30);
    field->editUnit(DurationUnit::hours);
    EXPECT_DOUBLE_EQ(s->doubleValue("statDrainSeconds"), 108000);
    delete field;
}

// Only finite amounts are taken, and held to the setting's range; anything else leaves the stored
// value alone. The box shows what is stored when the edit ends.
TEST(DurationField, RefusesEndlessAmountsAndHoldsHugeOnesToTheLongest) {
    kp::test::ScratchStore s;
    s->set("openIdleSeconds", 25.0 * kDay);  // 25 days: past what a timer holds in milliseconds
    auto* field = DurationField::forKey("Closes after", *s, "openIdleSeconds", 5, 1, 30 * kDay);
    field->syncFromSeconds();
    EXPECT_EQ(field->unit(), DurationUnit::days);
    EXPECT_DOUBLE_EQ(field->amount(), 25);
    auto* box = field->findChild<QLineEdit*>();
    ASSERT_NE(box, nullptr);
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("inf"));  // typed key by key
    emit box->editingFinished();
    EXPECT_DOUBLE_EQ(s->doubleValue("openIdleSeconds"), 25 * kDay);
    EXPECT_EQ(box->text(), "25");
    for (const char* bad : {"inf", "nan", "-inf"}) {
        enter(*field, bad);
        EXPECT_DOUBLE_EQ(s->doubleValue("openIdleSeconds"), 25 * kDay) << bad;
        EXPECT_EQ(box->text(), "25") << bad;
    }
    for (const char* huge : {"6e+10", "31"}) {
        enter(*field, "25");
        enter(*field, huge);
        EXPECT_DOUBLE_EQ(s->doubleValue("openIdleSeconds"), 30 * kDay) << huge;
        EXPECT_EQ(box->text(), "30") << huge;
    }
    enter(*field, "29");
    enter(*field, "30");
    EXPECT_DOUBLE_EQ(s->doubleValue("openIdleSeconds"), 30 * kDay);
    // A unit that would carry the amount past the range stores the longest it allows.
    field->editUnit(DurationUnit::hours);
    field->editAmount(2);
    field->editUnit(DurationUnit::days);
    EXPECT_DOUBLE_EQ(s->doubleValue("openIdleSeconds"), 2 * kDay);
    // An endless value written elsewhere reads as the default, which the row shows without
    // writing it.
    s->set("openIdleSeconds", std::numeric_limits<double>::infinity());
    EXPECT_DOUBLE_EQ(field->amount(), 5);
    EXPECT_TRUE(std::isinf(s->doubleValue("openIdleSeconds")));
    delete field;
}

// An amount stored as typed stays as typed once the edit ends, in the unit it was typed in; one
// finer than the box shows is shown in the unit that holds it.
TEST(DurationField, AnAmountStoredAsTypedStaysAsTyped) {
    Row row(1800, 60);
    row.field.syncFromSeconds();
    EXPECT_EQ(enter(row.field, "120"), "120 min");
    EXPECT_DOUBLE_EQ(row.stored, 7200);
    row.field.editUnit(DurationUnit::hours);
    EXPECT_EQ(enter(row.field, "1.5"), "1.5 h");
    EXPECT_DOUBLE_EQ(row.stored, 5400);
    EXPECT_EQ(enter(row.field, "0.25"), "0.25 h");
    EXPECT_DOUBLE_EQ(row.stored, 900);
    EXPECT_EQ(enter(row.field, "0.2505"), "901.8 sec");
    EXPECT_DOUBLE_EQ(row.stored, 901.8);
}

// A stored value the whole units do not divide shows as stored, and a unit chosen after it keeps
// the number shown, in that unit.
TEST(DurationField, ShowsWhatItStoredInTheUnitChosen) {
    const auto shows = [](DurationField& field) {
        return (field.findChild<QLineEdit*>()->text() + ' ' + field.findChild<QComboBox*>()->currentText()).toStdString();
    };
    Row row(1.04, 1);
    row.field.syncFromSeconds();
    EXPECT_EQ(shows(row.field), "1.04 sec");
    auto* menu = row.field.findChild<QComboBox*>();
    menu->setCurrentIndex(menu->findText("min"));
    EXPECT_DOUBLE_EQ(row.stored, 62.4);
    EXPECT_EQ(shows(row.field), "1.04 min");
    Row quarter(2.25, 1);
    quarter.field.syncFromSeconds();
    EXPECT_EQ(shows(quarter.field), "2.25 sec");
}

// The unit menu offers seconds, minutes, hours and days, and nothing else; a unit chosen from it
// keeps the number and stores it in that unit (never below the minimum, which it then shows in
// the unit chosen).
TEST(DurationField, TheUnitMenuOffersTheFourUnits) {
    Row row(1800, 60);
    row.field.syncFromSeconds();
    auto* menu = row.field.findChild<QComboBox*>();
    ASSERT_NE(menu, nullptr);
    QStringList offered;
    for (int i = 0; i < menu->count(); ++i) offered << menu->itemText(i);
    EXPECT_EQ(offered.join(' ').toStdString(), "sec min h days");
    EXPECT_EQ(menu->currentText(), "min");
    struct Pick { const char* unit; double stored; const char* shown; };
    for (Pick pick : {Pick{"h", 30 * 3600, "30"}, Pick{"days", 30 * kDay, "30"}, Pick{"sec", 60, "60"},
                      Pick{"min", 3600, "60"}}) {
        menu->setCurrentIndex(menu->findText(QString::fromLatin1(pick.unit)));
        EXPECT_DOUBLE_EQ(row.stored, pick.stored) << pick.unit;
        EXPECT_EQ(menu->currentText(), pick.unit);
        EXPECT_EQ(row.field.amountText(), pick.shown) << pick.unit;
    }
}
