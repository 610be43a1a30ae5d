// lcs-pairs' output, in the forms of lcs-search's (search/output.h): text
// lines tab-separated with control bytes escaped, JSON by the one text
// policy of support/printing.h, the similarity cut to three decimals.
#include "pairs/output.h"

#include <algorithm>
#include <string>

#include "search/output.h"
#include "support/printing.h"

namespace pairs {

void print_pair(std::FILE* out, const FoundPair& found, bool json) {
    thread_local std::string line;
    line.clear();
    const auto longer = static_cast<std::int64_t>(std::max(found.first.length, found.other.length));
    const std::string similarity = lcs::support::similarity_text(found.lcs, longer);
    if (json) {
        line += "{\"similarity\":" + similarity + ",\"lcs\":" + std::to_string(found.lcs);
        line += ",\"line\":" + std::to_string(found.first.line);
        line += ",\"other_line\":" + std::to_string(found.other.line);
        line += ",\"length\":" + std::to_string(found.first.length);
        line += ",\"other_length\":" + std::to_string(found.other.length);
        line += ",\"text\":";
        lcs::support::append_json_text(line, found.first.text);
        line += ",\"other_text\":";
        lcs::support::append_json_text(line, found.other.text);
        line += "}\n";
    } else {
        line += similarity + '\t' + std::to_string(found.lcs) + '\t' +
                std::to_string(found.first.line) + '\t' + std::to_string(found.other.line) + '\t';
        search::append_line_text(line, found.first.text);
        line += '\t';
        search::append_line_text(line, found.other.text);
        line += '\n';
    }
    lcs::support::write_out(out, line);
}

}  // namespace pairs
