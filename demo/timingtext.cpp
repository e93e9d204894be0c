// The sync table as text: what `timingtool dump` writes and `build` reads.
// Four tracks in order, each a "track N events COUNT" line and its events
// as "event INDEX UNITS [SECONDS]"; blank lines and "#" comments anywhere,
// CR LF line ends taken. The text is read whole before the table takes it,
// so any text gives a valid table or a line number and a reason, and a
// faulty one leaves the table as it was.
#include "demo/timingtext.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "demo/demotiming.h"

// One line of the text, split into words.
static std::vector<std::string> words(const std::string& line)
{
    std::vector<std::string> out;
    size_t at = 0;
    while (at < line.size()) {
        while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) at++;
        size_t end = at;
        while (end < line.size() && line[end] != ' ' && line[end] != '\t') end++;
        if (end > at) out.push_back(line.substr(at, end - at));
        at = end;
    }
    return out;
}

static bool parseint(const std::string& word, long lo, long hi, long* value)
{
    errno = 0;
    char* end = nullptr;
    long v = strtol(word.c_str(), &end, 10);
    if (errno || end == word.c_str() || *end || v < lo || v > hi) return false;
    *value = v;
    return true;
}

static bool parsedouble(const std::string& word, double* value)
{
    errno = 0;
    char* end = nullptr;
    double v = strtod(word.c_str(), &end);
    if (errno || end == word.c_str() || *end || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

int ReadTimingText(const std::string& text, std::string* error)
{
    int32_t numevents[DEMOTIMING_TRACKS] = {};
    int32_t event[DEMOTIMING_TRACKS][DEMOTIMING_MAXEVENTS] = {};

    int track = -1;     // the track being read
    long expected = 0;  // its event count
    long seen = 0;      // events read of it
    int trackline = 0;  // the line of its header
    int lineno = 0;
    auto fail = [&](int line, const std::string& message) {
        *error = message;
        return line;
    };
    auto trackdone = [&]() { return track < 0 || seen == expected; };

    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        lineno++;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> w = words(line);
        if (w.empty() || w[0][0] == '#') continue;

        if (w[0] == "track") {
            if (!trackdone())
                return fail(trackline, "track " + std::to_string(track) + " has " + std::to_string(seen) + " of its " +
                                           std::to_string(expected) + " events");
            long number, count;
            if (w.size() != 4 || w[2] != "events" || !parseint(w[1], 0, 3, &number))
                return fail(lineno, "expected 'track N events COUNT' with N 0..3");
            if (number != track + 1)
                return fail(lineno, "expected track " + std::to_string(track + 1) + ": tracks come in order 0..3");
            if (!parseint(w[3], 0, DEMOTIMING_MAXEVENTS, &count)) return fail(lineno, "event count must be 0..256");
            track = (int)number;
            expected = count;
            seen = 0;
            trackline = lineno;
            numevents[track] = (int32_t)count;
        } else if (w[0] == "event") {
            if (track < 0) return fail(lineno, "an event before the first 'track' line");
            if (seen == expected)
                return fail(lineno,
                            "track " + std::to_string(track) + " has only " + std::to_string(expected) + " events");
            long index, units;
            if (w.size() < 3 || w.size() > 4 || !parseint(w[1], 0, DEMOTIMING_MAXEVENTS - 1, &index))
                return fail(lineno, "expected 'event INDEX UNITS [SECONDS]'");
            if (index != seen) return fail(lineno, "expected event " + std::to_string(seen));
            if (!parseint(w[2], INT32_MIN, INT32_MAX, &units))
                return fail(lineno, "time '" + w[2] + "' is not a whole number of units in 32 bits");
            if (w.size() == 4) {
                double seconds;
                if (!parsedouble(w[3], &seconds)) return fail(lineno, "seconds '" + w[3] + "' is not a number");
                // Both columns given: they must say the same, or one was edited alone.
                if (fabs(seconds * DEMOTIMING_UNITSPERSECOND - (double)units) > 0.5)
                    return fail(lineno, w[2] + " units is " + std::to_string(TimingSeconds(units)) + " s, not " +
                                            w[3] + " s");
            }
            event[track][seen++] = (int32_t)units;
        } else {
            return fail(lineno, "unknown line '" + w[0] + "': expected 'track' or 'event'");
        }
    }
    if (!trackdone())
        return fail(trackline, "track " + std::to_string(track) + " has " + std::to_string(seen) + " of its " +
                                   std::to_string(expected) + " events");
    if (track != DEMOTIMING_TRACKS - 1)
        return fail(lineno + 1, "expected track " + std::to_string(track + 1) + ": all four tracks are needed");

    memcpy(demotiming_numevents, numevents, sizeof numevents);
    memcpy(demotiming_event, event, sizeof event);
    return 0;
}

std::string TimingText()
{
    std::string text =
        "# sync table: per track, each event's time in timing units and in seconds (22050 units a second)\n";
    char line[96];
    for (int track = 0; track < DEMOTIMING_TRACKS; track++) {
        snprintf(line, sizeof line, "track %d events %d\n", track, (int)demotiming_numevents[track]);
        text += line;
        for (int i = 0; i < demotiming_numevents[track]; i++) {
            const int32_t units = demotiming_event[track][i];
            snprintf(line, sizeof line, "event %d %d %.6f\n", i, (int)units, TimingSeconds(units));
            text += line;
        }
    }
    return text;
}
