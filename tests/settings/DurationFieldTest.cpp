#include "support/Scratch.h"

#include <gtest/gtest.h>

#include "settings/DurationField.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QImage>
#include <QtTest/QTest>

#include <cmath>
#include <iomanip>
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
                   Case{90, "sec", 90}, Case{5400, "min", 90}, Case{90.5, "sec", 90.5}, Case{0.5, "sec", 0.5},
                   Case{3960.0000000000005, "min", 66}}) {  // 1.1 h as multiplied before: past what a double holds
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

// An amount stored as typed stays as typed once the edit ends, in the unit it was typed in,
// whatever its fraction digits.
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
    EXPECT_EQ(enter(row.field, "0.2505"), "0.2505 h");
    EXPECT_DOUBLE_EQ(row.stored, 901.8);
}

// The settings file holds what was typed, converted exactly (1.234 min is 74.04 s, where the
// multiplication alone makes 74.03999999999999), and the box gives it back digit for digit, in
// the user's locale: a decimal comma, and no group separator that reads as one (90061, not
// 90,061 or 90.061).
TEST(DurationField, TheFileHoldsTheValueAsTypedAndTheBoxShowsItInTheUsersLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    kp::test::ScratchStore s;
    auto* field = DurationField::forKey("Food lasts", *s, "statDrainSeconds", 1800, 10);
    field->syncFromSeconds();
    const auto file = [&s] {
        QFile f(s.dir.path() + "/config/kettlepaw.conf");
        return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string();
    };
    struct Typed { const char* text; DurationUnit unit; double seconds; const char* line; };
    const auto check = [&](const Typed& t, const char* shows) {
        field->editUnit(t.unit);
        EXPECT_EQ(enter(*field, t.text), shows) << t.text;
        EXPECT_EQ(s->doubleValue("statDrainSeconds"), t.seconds)
            << t.text << " stored " << std::setprecision(17) << s->doubleValue("statDrainSeconds");
        EXPECT_NE(file().find(t.line), std::string::npos) << t.text << " wrote " << file();
    };
    for (const Typed& t : {Typed{"1.234", DurationUnit::minutes, 74.04, "=74.04\n"},
                           Typed{"1.2345", DurationUnit::minutes, 74.07, "=74.07\n"},
                           Typed{"0.1", DurationUnit::hours, 360, "=360\n"},
                           Typed{"10.125", DurationUnit::days, 874800, "=874800\n"},
                           Typed{"1.1", DurationUnit::hours, 3960, "=3960\n"}})
        check(t, (std::string(t.text) + ' ' + rawValue(t.unit).data()).c_str());

    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    check({"1,2345", DurationUnit::minutes, 74.07, "=74.07\n"}, "1,2345 min");
    check({"90061", DurationUnit::seconds, 90061, "=90061\n"}, "90061 sec");
    s->set("statDrainSeconds", 12.3456789);
    EXPECT_EQ(field->amountText().toStdString(), "12,3456789");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    field->syncFromSeconds();
    EXPECT_EQ(field->amountText().toStdString(), "12.3456789");
    check({"90061", DurationUnit::seconds, 90061, "=90061\n"}, "90061 sec");
    delete field;
    QLocale::setDefault(before);
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

// Squeezed narrower than its amount, the box draws the whole amount smaller rather than scrolling
// part of it out of sight; typed in, it edits at its own size, as any box.
TEST(DurationField, ASqueezedBoxDrawsTheWholeAmountSmaller) {
    Row row(31535999.125, 1);
    row.field.hideTitle();
    row.field.syncFromSeconds();
    auto* box = row.field.findChild<QLineEdit*>();
    // Where the box's text is inked, inside its frame.
    const auto ink = [&](int width, bool typing = false) {
        row.field.resize(width, row.field.sizeHint().height());
        row.field.show();
        QCoreApplication::processEvents();
        if (typing) QTest::keyClick(box, Qt::Key_End);
        else box->clearFocus();  // no cursor
        const QImage img = box->grab().toImage();
        const QColor text = box->palette().color(QPalette::Text);
        QRect inked;
        for (int y = 3; y < img.height() - 3; ++y)
            for (int x = 3; x < img.width() - 3; ++x) {
                const QColor c = img.pixelColor(x, y);
                if (std::abs(c.lightness() - text.lightness()) < 60) inked |= QRect(x, y, 1, 1);
            }
        return inked;
    };
    const QRect roomy = ink(row.field.sizeHint().width());
    const int whole = QFontMetrics(box->font()).tightBoundingRect(box->text()).width();
    EXPECT_GE(roomy.width(), whole - 4) << "at its own size";
    const QRect squeezed = ink(row.field.minimumSizeHint().width());
    EXPECT_EQ(box->width(), DurationField::boxWidth);
    EXPECT_LT(squeezed.height(), roomy.height() * 3 / 4) << "drawn smaller";
    EXPECT_LT(squeezed.width(), box->width() - 6) << "inside the box";
    // The same text, smaller: as wide for its height as at its own size.
    EXPECT_NEAR(double(squeezed.width()) / squeezed.height(), double(roomy.width()) / roomy.height(), 2.0);
    EXPECT_GE(ink(row.field.minimumSizeHint().width(), true).height(), roomy.height()) << "typed in";
}
