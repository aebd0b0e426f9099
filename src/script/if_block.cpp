// Placeholder until the script language is built: no line is a block line.
#include "script/if_block.h"

namespace rivel {

BlockOutcome ApplyBlockRule(const RunOptions&, IfStack&, BlockReader, const std::string&,
                            const std::string&) {
    return {};
}

void FinishIfStack(const RunOptions&, IfStack& stack, BlockReader) {
    stack = IfStack{};
}

}  // namespace rivel
