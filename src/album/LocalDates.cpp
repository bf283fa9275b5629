#include "album/LocalDates.h"

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

}  // namespace

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
