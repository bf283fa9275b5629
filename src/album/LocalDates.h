#pragma once
// Dates written the way the reader's locale writes exactly the fields asked for, in its own words
// and order ("Sonntag, 6. Dezember", "12月6日日曜日", "Dec 6").
#include <QDate>
#include <QLocale>
#include <QString>

namespace kp {

// The locale the user writes dates in: the date-format category of the environment (LC_ALL, else
// LC_TIME, else LANG), unless the app set a default locale of its own.
QLocale dateFormatLocale();

// `fields` names the wanted fields as a date skeleton: "MMMMEEEEd" for the weekday, month name and
// day, "MMMd" for the day and abbreviated month, "yMMMd" with the year too.
QString localeDate(QDate date, const char* fields, const QLocale& locale = dateFormatLocale());

}  // namespace kp
