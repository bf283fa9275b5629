// The plain tabs (Cat, Sound, Notch, About) and the bound controls every tab uses.
#include "settings/SettingsPages.h"

#include "app/AppLinks.h"

#include "cat/art/CatDrawing.h"
#include "life/AmbienceTarget.h"
#include "core/Preferences.h"
#include "life/SkyModel.h"
#include "platform/Color.h"
#include "platform/Defaults.h"
#include "platform/Paths.h"
#include "settings/DurationField.h"
#include "settings/SettingsKit.h"
#include "settings/SettingsLogic.h"
#include "settings/SettingsView.h"

#include <QDir>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <memory>

namespace kp::settings {

namespace {

QString text(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

// A small clickable symbol (the web-site arrow).
class SymbolLink : public QAbstractButton {
public:
    SymbolLink(QString symbol, QColor colour, QWidget* parent = nullptr)
        : QAbstractButton(parent), symbol_(std::move(symbol)), colour_(std::move(colour)) {
        setFixedSize(22, 22);
        setCursor(Qt::PointingHandCursor);
        setFocusPolicy(Qt::NoFocus);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setOpacity(isDown() ? 0.7 : 1.0);
        kit::drawSymbol(p, symbol_, rect(), 11, colour_);
    }

private:
    QString symbol_;
    QColor colour_;
};

// The app's icon: the cat's face on a warm tile.
class AppIcon : public QWidget {
public:
    explicit AppIcon(QWidget* parent = nullptr) : QWidget(parent) { setFixedSize(54, 54); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing, true);
        QLinearGradient g(0, 0, 0, 54);
        g.setColorAt(0, colorFromHex("#F2B27A"));
        g.setColorAt(1, colorFromHex("#D9793F"));
        p.setPen(Qt::NoPen);
        p.setBrush(g);
        p.drawRoundedRect(QRectF(0, 0, 54, 54), 13, 13);
        p.translate(27, 29);
        CatHead head;
        head.expression = CatExpression::happy;
        head.size = 40;
        head.outfit = CatOutfit{};
        head.paint(p, CatEnv{});
    }
};

}  // namespace

QWidget* makePage(QVBoxLayout*& column) {
    auto* page = new QWidget;
    page->setAutoFillBackground(false);
    column = new QVBoxLayout(page);
    column->setContentsMargins(2, 0, 2, 20);
    column->setSpacing(16);
    return page;
}

TobbiToggle* boolToggle(Defaults& store, const QString& key, bool fallback) {
    auto* t = new TobbiToggle;
    t->setObjectName(key);
    t->setChecked(prefs::boolPreference(key, fallback, store));
    QObject::connect(t, &QAbstractButton::clicked, t, [&store, key](bool on) { store.set(key, on); });
    QObject::connect(&store, &Defaults::changed, t, [t, &store, key, fallback](const QString& k) {
        if (k == key) t->setChecked(prefs::boolPreference(key, fallback, store));
    });
    return t;
}

KitSlider* volumeSlider(Defaults& store, const QString& key, double fallback) {
    auto* s = new KitSlider;
    s->setObjectName(key);
    s->setValue(prefs::doublePreference(key, fallback, store));
    QObject::connect(s, &KitSlider::moved, s, [&store, key](double v) { store.set(key, v); });
    QObject::connect(&store, &Defaults::changed, s, [s, &store, key, fallback](const QString& k) {
        if (k == key) s->setValue(prefs::doublePreference(key, fallback, store));
    });
    return s;
}

DurationField* durationField(Defaults& store, const QString& key, double fallback, double minimum) {
    auto* f = DurationField::forKey(QString(), store, key, fallback, minimum, prefs::longestTuning(key));
    f->setObjectName(key);
    kit::style(f);
    return f;
}

Slot::Slot(QVBoxLayout* column, std::function<QWidget*()> build) : column_(column), build_(std::move(build)) {
    index_ = column_->count();
    widget_ = build_();
    column_->addWidget(widget_);
}

void Slot::rebuild() {
    QWidget* next = build_();
    column_->insertWidget(index_, next);
    // The old one may be inside its own signal (the switch that asked for this): let it finish.
    column_->removeWidget(widget_);
    widget_->hide();
    widget_->deleteLater();
    widget_ = next;
}

// ---------------------------------------------------------------------------------------------
// Cat

QWidget* buildCatPage(SettingsServices& s) {
    Defaults& store = *s.store;
    QVBoxLayout* column = nullptr;
    QWidget* page = makePage(column);

    auto* who = new SettingsCard(QStringLiteral("Who he is"),
                                 QStringLiteral("His name and coat were chosen when he was born, and they're his for "
                                                "life. Only a new cat gets new ones. His clothes, you can change "
                                                "anytime."));
    auto* lock = new QWidget;
    lock->setFixedSize(16, 16);
    lock->setObjectName(QStringLiteral("lock"));
    struct LockPainter : QObject {
        using QObject::QObject;
        bool eventFilter(QObject* o, QEvent* e) override {
            if (e->type() != QEvent::Paint) return false;
            auto* w = static_cast<QWidget*>(o);
            QPainter p(w);
            kit::drawSymbol(p, QStringLiteral("lock.fill"), w->rect(), 11, kit::muted());
            return true;
        }
    };
    lock->installEventFilter(new LockPainter(lock));
    auto* breedRow = new SettingsRow(QStringLiteral("pawprint.fill"), kit::accent(), QString(), QString(), lock);
    breedRow->setObjectName(QStringLiteral("breedRow"));
    // A new cat comes with a new coat while the tab may be open.
    const auto showBreed = [&store, breedRow] {
        const CatBreed breed = breedOrOrange(store.string(QStringLiteral("catBreed")));
        breedRow->title()->setText(text(displayName(breed)));
        breedRow->setDetail(text(blurb(breed)));
    };
    showBreed();
    QObject::connect(&store, &Defaults::changed, breedRow, [showBreed](const QString& key) {
        if (key == QLatin1String("catBreed")) showBreed();
    });
    who->add(breedRow);
    column->addWidget(who);

    auto* pace = new SettingsCard(QStringLiteral("His pace"),
                                  QStringLiteral("Energy, happiness and health follow the food pace. After kitten "
                                                 "comes junior, for twice as long, then all grown up."));
    pace->add(new SettingsRow(QStringLiteral("timer"), colorFromHex("#7EB6E0"), QStringLiteral("One activity lasts about"),
                              QString(), durationField(store, QStringLiteral("beatLengthSeconds"), beatLengthDefault, 1)));
    pace->add(new RowDivider);
    pace->add(new SettingsRow(QStringLiteral("fork.knife"), kit::accent(), QStringLiteral("A full food bar empties in"),
                              QString(), durationField(store, QStringLiteral("statDrainSeconds"), statDrainDefault, 10)));
    pace->add(new RowDivider);
    pace->add(new SettingsRow(QStringLiteral("birthday.cake.fill"), colorFromHex("#C46B78"),
                              QStringLiteral("Stays a kitten for"), QString(),
                              durationField(store, QStringLiteral("kittenLengthSeconds"), kittenLengthDefault, 60)));
    column->addWidget(pace);
    column->addStretch(1);
    return page;
}

// ---------------------------------------------------------------------------------------------
// Sound

QWidget* buildSoundPage(SettingsServices& s) {
    Defaults& store = *s.store;
    QVBoxLayout* column = nullptr;
    QWidget* page = makePage(column);

    auto* sound = new SettingsCard(QStringLiteral("Sound"), QString());
    sound->add(new SettingsRow(QStringLiteral("pawprint.fill"), kit::accent(), QStringLiteral("His sounds"),
                               QStringLiteral("Meows, purrs and noms, his paws, and his house: rain on the window, "
                                              "birds in the garden, the fire."),
                               boolToggle(store, QStringLiteral("soundOn"), true)));
    sound->add(new RowDivider);
    sound->add(new SettingsRow(QStringLiteral("hand.tap.fill"), colorFromHex("#7EB6E0"), QStringLiteral("App sounds"),
                               QStringLiteral("The little clicks on buttons and tabs."),
                               boolToggle(store, QStringLiteral("appSoundOn"), true)));
    sound->add(new RowDivider);
    auto* soundVolume = new SettingsRow(QStringLiteral("slider.horizontal.3"), colorFromHex("#A8927A"),
                                        QStringLiteral("Sound volume"), QString(),
                                        volumeSlider(store, QStringLiteral("soundVolume"), volumeDefault));
    soundVolume->setObjectName(QStringLiteral("soundVolumeRow"));
    sound->add(soundVolume);
    column->addWidget(sound);

    auto* music = new SettingsCard(QStringLiteral("Music"), QStringLiteral("Pause or play it any time from ") +
                                                                appMenuPlace(s.hasTray()) + QLatin1Char('.'));
    music->add(new SettingsRow(QStringLiteral("music.note"), colorFromHex("#B48AE0"), QStringLiteral("Music"),
                               QStringLiteral("A little music box that follows his day."),
                               boolToggle(store, QStringLiteral("musicOn"), true)));
    music->add(new RowDivider);
    auto* always = new SettingsRow(QStringLiteral("infinity"), colorFromHex("#9C8BD8"), QStringLiteral("Always play"),
                                   QString(), boolToggle(store, QStringLiteral("musicAlways"), false));
    always->setObjectName(QStringLiteral("musicAlwaysRow"));
    music->add(always);
    music->add(new RowDivider);
    auto* musicVolume = new SettingsRow(QStringLiteral("slider.horizontal.3"), colorFromHex("#A8927A"),
                                        QStringLiteral("Music volume"), QString(),
                                        volumeSlider(store, QStringLiteral("musicVolume"), volumeDefault));
    musicVolume->setObjectName(QStringLiteral("musicVolumeRow"));
    music->add(musicVolume);
    column->addWidget(music);

    // Which rows are usable, and the detail that follows "Always play".
    auto refresh = [&store, soundVolume, always, musicVolume] {
        const bool musicOn = prefs::musicOn(store);
        soundVolume->setEnabled(prefs::soundOn(store) || prefs::appSoundOn(store));
        always->setEnabled(musicOn);
        musicVolume->setEnabled(musicOn);
        always->setDetail(prefs::boolPreference(QStringLiteral("musicAlways"), false, store)
                              ? QStringLiteral("Keeps playing with the notch closed.")
                              : QStringLiteral("Only while the notch is open."));
    };
    refresh();

    // The ambience follows each change at once while this tab is on screen; the music box follows
    // the store itself.
    struct Seen {
        bool soundOn;
        double soundVolume;
    };
    auto seen = std::make_shared<Seen>(Seen{prefs::soundOn(store), prefs::soundVolume(store)});
    AmbienceTarget* ambience = s.ambience;
    QObject::connect(&store, &Defaults::changed, page, [&store, seen, ambience, refresh](const QString& key) {
        refresh();
        if (key == QLatin1String("soundOn")) {
            const bool v = prefs::soundOn(store);
            if (v == seen->soundOn) return;
            seen->soundOn = v;
            if (ambience) {
                ambience->enabled = v;
                ambience->apply();
            }
        } else if (key == QLatin1String("soundVolume")) {
            const double v = prefs::soundVolume(store);
            if (v == seen->soundVolume) return;
            seen->soundVolume = v;
            if (ambience) {
                ambience->volume = float(v);
                ambience->apply();
            }
        }
    });

    // His window: live weather through the weather model, which stores the switch itself.
    auto* window = new SettingsCard(QStringLiteral("His window"), QString());
    auto* liveToggle = new TobbiToggle;
    liveToggle->setObjectName(QStringLiteral("liveWeather"));
    auto* liveRow = new SettingsRow(QStringLiteral("cloud.sun.fill"), colorFromHex("#7EB6E0"),
                                    QStringLiteral("Real weather and time of day"), QString(), liveToggle);
    liveRow->setObjectName(QStringLiteral("liveWeatherRow"));
    window->add(liveRow);
    auto* credit = kit::label(QString(), 11, QFont::Normal, kit::accent());
    credit->setTextFormat(Qt::RichText);
    credit->setOpenExternalLinks(false);
    credit->setContentsMargins(14, 0, 14, 10);
    credit->setObjectName(QStringLiteral("weatherCredit"));
    window->add(credit);
    column->addWidget(window);
    SkyModel* sky = s.sky;
    auto openUrl = s.openUrl;
    QObject::connect(credit, &QLabel::linkActivated, credit, [openUrl](const QString& url) {
        if (openUrl) openUrl(QUrl(url));
    });
    auto refreshWindow = [&store, sky, liveToggle, liveRow, credit] {
        liveToggle->setChecked(store.boolValue(QStringLiteral("liveWeather")));
        liveRow->setDetail(sky ? sky->statusText() : SkyModel::statusText(SkyModel::Status::off()));
        QString html;
        const QString link = QStringLiteral("<a style=\"color:#E39455; text-decoration:none\" href=\"%1\">%2</a>");
        if (sky && sky->usesWeatherKit() && sky->attribution()) {
            const QString mark = sky->attribution()->serviceName.isEmpty() ? QStringLiteral(" Weather")
                                                                            : sky->attribution()->serviceName;
            html = QStringLiteral("<span style=\"color:#8A8A8A\">%1</span>&nbsp;&nbsp;").arg(mark.toHtmlEscaped()) +
                   link.arg(sky->attribution()->legalPage.toString(QUrl::FullyEncoded), QStringLiteral("Data sources"));
        } else if (sky && sky->status().kind() == SkyModel::Status::Kind::live) {
            html = link.arg(openMeteoURL().toString(QUrl::FullyEncoded), QStringLiteral("Weather data by Open-Meteo"));
        }
        credit->setText(html);
        credit->setVisible(!html.isEmpty());
    };
    refreshWindow();
    QObject::connect(liveToggle, &QAbstractButton::clicked, page, [sky, &store](bool on) {
        if (sky) sky->setLive(on);
        else if (store.boolValue(QStringLiteral("liveWeather")) != on) store.set(QStringLiteral("liveWeather"), on);
    });
    if (sky) QObject::connect(sky, &SkyModel::changed, page, refreshWindow);
    QObject::connect(&store, &Defaults::changed, page, [refreshWindow](const QString& key) {
        if (key == QLatin1String("liveWeather")) refreshWindow();
    });

    column->addStretch(1);
    return page;
}

// ---------------------------------------------------------------------------------------------
// Notch

QWidget* buildNotchPage(SettingsServices& s, TestSettingsView& view) {
    Defaults& store = *s.store;
    QVBoxLayout* column = nullptr;
    QWidget* page = makePage(column);

    auto* notch = new SettingsCard(QStringLiteral("The notch"), QString());
    notch->add(new SettingsRow(QStringLiteral("cursorarrow.rays"), colorFromHex("#7EB6E0"),
                               QStringLiteral("Peek when the pointer is near"), QString(),
                               boolToggle(store, QStringLiteral("peekOnHover"), true)));
    notch->add(new RowDivider);
    notch->add(new SettingsRow(QStringLiteral("rectangle.expand.vertical"), kit::accent(),
                               QStringLiteral("Open island closes after"), QString(),
                               durationField(store, QStringLiteral("openIdleSeconds"), openIdleDefault, 1)));
    notch->add(new RowDivider);
    notch->add(new SettingsRow(QStringLiteral("rectangle.compress.vertical"), colorFromHex("#A8927A"),
                               QStringLiteral("Small island hides after"), QString(),
                               durationField(store, QStringLiteral("peekIdleSeconds"), peekIdleDefault, 1)));
    column->addWidget(notch);

    auto* over = new SettingsCard(QStringLiteral("Start over"), QString());
    auto* again = new TobbiButton(QStringLiteral("Show again"), false);
    again->setObjectName(QStringLiteral("showAgain"));
    QObject::connect(again, &QAbstractButton::clicked, &view, [&view] { view.replayWelcome(); });
    over->add(new SettingsRow(QStringLiteral("hand.wave.fill"), colorFromHex("#C46B78"), QStringLiteral("The welcome"),
                              QString(), again));
    over->add(new RowDivider);
    auto* restore = new TobbiButton(QStringLiteral("Restore defaults"), false);
    restore->setObjectName(QStringLiteral("restoreDefaults"));
    QObject::connect(restore, &QAbstractButton::clicked, &view, [&view] { view.restoreDefaults(); });
    over->add(new SettingsRow(QStringLiteral("arrow.counterclockwise"), colorFromHex("#A8927A"), QStringLiteral("Settings"),
                              QStringLiteral("Timings and sound back to how they started."), restore));
    column->addWidget(over);
    column->addStretch(1);
    return page;
}

// ---------------------------------------------------------------------------------------------
// About

QWidget* buildAboutPage(SettingsServices& s) {
    QVBoxLayout* column = nullptr;
    QWidget* page = makePage(column);
    auto openUrl = s.openUrl;
    const auto open = [openUrl](const QUrl& url) {
        if (openUrl) openUrl(url);
    };

    auto* identity = new SettingsCard(QString(), QString());
    auto* header = new QWidget;
    auto* row = new QHBoxLayout(header);
    row->setContentsMargins(14, 14, 14, 14);
    row->setSpacing(14);
    row->addWidget(new AppIcon, 0, Qt::AlignVCenter);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(3);
    texts->addWidget(kit::label(QStringLiteral("Kettlepaw"), 20, QFont::Black, kit::ink()));
    auto* version = kit::label(QStringLiteral("Version ") + appVersionText(s.bundleInfo), 12, QFont::Medium, kit::muted());
    version->setObjectName(QStringLiteral("version"));
    texts->addWidget(version);
    texts->addWidget(kit::label(QStringLiteral("Made with love by one person"), 12, QFont::Bold, kit::peach()));
    row->addLayout(texts, 1);
    identity->add(header);
    identity->add(new RowDivider);
    auto* arrow = new SymbolLink(QStringLiteral("arrow.up.right"), kit::peach());
    arrow->setObjectName(QStringLiteral("website"));
    QObject::connect(arrow, &QAbstractButton::clicked, arrow, [open] { open(websiteURL()); });
    identity->add(new SettingsRow(QStringLiteral("globe"), colorFromHex("#7EB6E0"), websiteURL().host(), QString(), arrow));
    column->addWidget(identity);

    auto* support = new SettingsCard(QString(), QStringLiteral("Kettlepaw is made by one person, with no ads and nothing to "
                                                               "sign up for. If he makes your day a little nicer, a "
                                                               "coffee helps keep him going."));
    auto* coffee = new TobbiButton(QStringLiteral("Buy me a coffee"), true);
    coffee->setObjectName(QStringLiteral("tipJar"));
    QObject::connect(coffee, &QAbstractButton::clicked, coffee, [open] { open(tipJarURL()); });
    support->add(new SettingsRow(QStringLiteral("cup.and.saucer.fill"), colorFromHex("#E5A93A"),
                                 QStringLiteral("Support Kettlepaw"), QStringLiteral("On Buy Me a Coffee"), coffee));
    column->addWidget(support);

    QString sounds = paths::shown(paths::dataDir()) + QStringLiteral("/Sounds");
    const QString home = QDir::homePath();
    if (sounds.startsWith(home + u'/')) sounds.replace(0, home.size(), QStringLiteral("~"));
    // A word joiner after the hyphen: the name is never broken at it.
    auto* credits = kit::label(QStringLiteral("Every sound he makes is made by the app; recordings you place in %1 "
                                              "are played instead. Weather by Open-\u2060Meteo.")
                                   .arg(sounds),
                               11, QFont::Normal, kit::muted(), true);
    credits->setObjectName(QStringLiteral("credits"));
    credits->setAlignment(Qt::AlignHCenter);
    credits->setContentsMargins(20, 0, 20, 0);
    column->addWidget(credits);
    column->addStretch(1);
    return page;
}

}  // namespace kp::settings
