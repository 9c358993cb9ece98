// The program's text output as a stream carries it: the console's standard
// output, and the Win32 host's stream handle. The text screen gets it whole.
#pragma once

#include <string>
#include <string_view>

namespace talven {

// A carriage return and the bell act on the text screen only: the stream
// leaves both out, and a line feed alone ends its lines.
inline std::string stream_text(std::string_view written)
{
    std::string out;
    out.reserve(written.size());
    for (char c : written)
        if (c != '\r' && c != '\a')
            out.push_back(c);
    return out;
}

} // namespace talven
