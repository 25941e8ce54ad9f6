#include "wizard/wizard_layout.h"

namespace wizard {

Box TextBox(const TextPlace& place, int clientRight, int dpi) {
  return {Scaled(place.left, dpi), Scaled(place.top, dpi), clientRight - Scaled(place.rightMargin, dpi),
          Scaled(place.bottom, dpi)};
}

}  // namespace wizard
