#include "album/LocalDates.h"

#include <QByteArray>
#include <QTimeZone>

#include <unicode/dtptngen.h>
#include <unicode/locid.h>
#include <unicode/smpdtfmt.h>
#include <unicode/timezone.h>

#include <map>
#include <memory>
#include <string>
#include <utility>

namespace kp {

namespace {

icu::Locale icuLocale(const QLocale& locale) {
    if (locale.language() == QLocale::C) return icu::Locale("en_US_POSIX");
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale where = icu::Locale::forLanguageTag(locale.bcp47Name().toStdString(), status);
    return U_SUCCESS(status) ? where : icu::Locale(locale.name().toStdString().c_str());
}

// One formatter per locale and set of fields, made on first use (the generator loads the locale's
// whole table of patterns). Dates are placed at noon UTC and read in UTC, so the day never moves.
const icu::SimpleDateFormat* formatter(const QLocale& locale, const char* fields) {
    static std::map<std::pair<QString, std::string>, std::unique_ptr<icu::SimpleDateFormat>> made;
    const auto key = std::make_pair(locale.bcp47Name(), std::string(fields));
    if (auto it = made.find(key); it != made.end()) return it->second.get();
    UErrorCode status = U_ZERO_ERROR;
    const icu::Locale where = icuLocale(locale);
    std::unique_ptr<icu::DateTimePatternGenerator> generator(icu::DateTimePatternGenerator::createInstance(where, status));
    std::unique_ptr<icu::SimpleDateFormat> format;
    if (U_SUCCESS(status)) {
        const icu::UnicodeString pattern = generator->getBestPattern(icu::UnicodeString(fields), status);
        if (U_SUCCESS(status)) {
            format = std::make_unique<icu::SimpleDateFormat>(pattern, where, status);
            if (U_SUCCESS(status)) format->adoptTimeZone(icu::TimeZone::createTimeZone("Etc/UTC"));
            else format.reset();
        }
    }
    return made.emplace(key, std::move(format)).first->second.get();
}

// A POSIX locale name ("de_DE.UTF-8", "sr_RS@latin", "C") as Qt reads it, which drops the codeset
// and modifier; the script modifiers still choose the script the dates are written in.
QLocale localeFromPosixName(const QByteArray& name) {
    const QLocale named(QString::fromLatin1(name));
    const qsizetype at = name.indexOf('@');
    if (at < 0 || named.language() == QLocale::C) return named;
    const QByteArray modifier = name.mid(at + 1);
    const QLocale::Script script = modifier == "latin"        ? QLocale::LatinScript
                                   : modifier == "cyrillic"   ? QLocale::CyrillicScript
                                   : modifier == "devanagari" ? QLocale::DevanagariScript
                                                              : QLocale::AnyScript;
    return script == QLocale::AnyScript ? named : QLocale(named.language(), script, named.territory());
}

}  // namespace

QLocale dateFormatLocale() {
    // A default the app chose for itself wins, as it does for Qt's own formats.
    if (QLocale() != QLocale::system()) return QLocale();
    // The system locale's language follows the messages category; its dates follow this one.
    QByteArray name = qgetenv("LC_ALL");
    if (name.isEmpty()) name = qgetenv("LC_TIME");
    if (name.isEmpty()) name = qgetenv("LANG");
    return localeFromPosixName(name);
}

QString localeDate(QDate date, const char* fields, const QLocale& locale) {
    if (!date.isValid()) return {};
    const icu::SimpleDateFormat* format = formatter(locale, fields);
    if (!format) return locale.toString(date, QLocale::ShortFormat);
    const UDate at = double(QDateTime(date, QTime(12, 0), QTimeZone::utc()).toMSecsSinceEpoch());
    icu::UnicodeString out;
    format->format(at, out);
    return QString(reinterpret_cast<const QChar*>(out.getBuffer()), out.length());
}

}  // namespace kp
