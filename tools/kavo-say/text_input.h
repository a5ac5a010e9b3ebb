// Where the text comes from, and how it is cut into requests.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

namespace kavosay {

// Reads the whole stream as bytes; false on a read error.
bool ReadAll(std::FILE* stream, std::string& text);

// The words joined by single spaces.
std::string JoinWords(const std::vector<std::string>& words);

// Paragraphs of UTF-8 text: runs of non-blank lines, separated by lines that
// hold only white space. Within a paragraph the lines are trimmed and joined by
// one space, so that a wrapped line reads on (and the plug-in may cut long
// paragraphs at those spaces). A leading byte order mark is dropped; CR LF line
// ends are understood.
std::vector<std::string> SplitParagraphs(const std::string& text);

}  // namespace kavosay
