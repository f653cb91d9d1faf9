#pragma once
// OLE automation dates: days since 1899-12-30 00:00 as a double, the time of day in the
// fraction. Dates before the epoch keep a positive time of day: -1.25 is 1899-12-29 06:00.
// The two conversions behave like the platform calls the stored data was made with: calendar
// fields carry whole seconds, and a date is rounded to the nearest second when it is split.

#include <cstdint>
#include <ctime>

namespace vandrel {

struct SystemTime {
    int year = 0;
    int month = 0;      // 1 to 12
    int dayOfWeek = 0;  // 0 Sunday to 6 Saturday; filled on output, ignored on input
    int day = 0;        // 1 to 31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int milliseconds = 0;  // always 0 on output, ignored on input
};

// Splits an OLE date into calendar fields rounded to the nearest whole second.
// Returns false outside the years 100 to 9999.
bool VariantTimeToSystemTime(double variantTime, SystemTime& out);

// Joins calendar fields into an OLE date; milliseconds are ignored. Returns false when a field
// is out of range (month 1-12, day valid for the month, hour < 24, minute and second < 60,
// year 100-9999).
bool SystemTimeToVariantTime(const SystemTime& in, double& out);

// The local time now, with milliseconds.
SystemTime localTimeWithMilliseconds();

// The calendar fields of a broken-down time (from localtime_r), to the second.
SystemTime systemTimeOf(const std::tm& time);

// The OLE date of a count of seconds since 1970-01-01 00:00:00 (25569 is 1970-01-01).
double oleDateFromUnixSeconds(int64_t seconds);

// Rounds an OLE date to whole seconds through the calendar fields, as the track summary does.
double wholeSecondOleDate(double variantTime);

// Days since 1970-01-01 of a proleptic Gregorian date, and back.
int64_t daysFromCivil(int year, int month, int day);
void civilFromDays(int64_t days, int& year, int& month, int& day);

}  // namespace vandrel
