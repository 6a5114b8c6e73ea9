// The fixed i-mode pictogram lists of the palette, by category.
#pragma once

#include <QString>
#include <string_view>
#include <vector>

#include "text/cp932.h"

namespace zarvel {

struct PictogramCategory {
  const char* list_name;  // the hidden list that holds the rows: "kao", "kibun", ...
  QString caption;        // the row of the category list: "かお", "気分", ...
  // CP932: the two-byte pictogram code, " : " and the pictogram's name.
  std::vector<Bytes> rows;
};

// The ten categories in the order of the category list. Built on first use.
const std::vector<PictogramCategory>& pictogram_categories();

// What a double-click on a pictogram row pastes: the code, its first two
// bytes (empty for a shorter row).
Bytes pictogram_code(std::string_view row);

}  // namespace zarvel
