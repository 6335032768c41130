#pragma once

#include <string>
#include <vector>

// The successive reads that fgets with a 1024-byte buffer gives on a file holding `bytes`
// opened by msvcrt in text mode ("r"): CR LF reads as LF, a Ctrl-Z byte (0x1A) ends the file,
// and each read ends after a line feed or at 1023 characters. NUL bytes are kept, as fgets
// stores them; the reader of a read sees it only up to the first of them.
std::vector<std::string> textModeReads(const std::string& bytes);
