// The sync table as text (timingtext.cpp): used by timingtool and its fuzz target.
#pragma once
#include <string>

// Reads `text` into the demo's sync table (demotiming). Returns 0, or the
// number of the line at fault (one past the last when a track is missing)
// with `error` saying what is wrong; the table is then not to be saved.
int timingtool_readtext(const std::string& text, std::string* error);
