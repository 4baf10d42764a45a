#include "about_links.h"

namespace vortlen {

std::string makerMailLink() {
  return std::string("mailto:") + kMakerEmail + "?subject=Вортлен3&body=Сообщение о программе:";
}

}  // namespace vortlen
