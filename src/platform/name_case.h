// Whether the platform's file names and commands ignore case: where they do, a CMD file's
// output file names and execute lines may be upper-cased as written; where they do not, they
// keep the case in which the line wrote them.
#pragma once

namespace rivel {

bool FileNamesIgnoreCase();

}  // namespace rivel
