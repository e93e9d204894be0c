// The sync table as text: what `timingtool dump` writes and `build` reads,
// and what `orlem --edit` watches. Demo thread (or a tool's only thread).
#pragma once
#include <string>

// Reads `text` into the sync table (demotiming). Returns 0, or the number
// of the line at fault (one past the last when a track is missing) with
// `error` saying what is wrong; the table is then left as it was.
int ReadTimingText(const std::string& text, std::string* error);
// The sync table as text: a "#" header line, then each track's "track N
// events COUNT" line and its events as "event INDEX UNITS SECONDS".
std::string TimingText();
