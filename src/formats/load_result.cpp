#include "formats/load_result.h"

namespace qm {

std::string_view load_result_text(LoadResult result) {
  switch (result) {
    case LoadResult::Success: return "success";
    case LoadResult::TooLarge: return "canvas too large (width or height above 4500)";
    case LoadResult::CannotOpen: return "cannot open the file";
    case LoadResult::WrongFormat: return "not a file of this format";
    case LoadResult::OutOfMemory: return "out of memory (canvas or layer cannot be created, or too many layers)";
    case LoadResult::Damaged: return "damaged data";
  }
  return "unknown result";
}

}  // namespace qm
