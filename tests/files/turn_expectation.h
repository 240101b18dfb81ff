#pragma once
// What a turned file should hold: the imaging layer's own turn of the picture decoded before,
// each SourceTurn spelled out here once, apart from the code under test.
#include "files/source_turn.h"
#include "imaging/rotate_flip.h"

namespace lumatrix::test {

inline void turn_as_expected(ImageDocument& doc, SourceTurn turn) {
  switch (turn) {
    case SourceTurn::Left:
      rotate(doc, 90);
      break;
    case SourceTurn::Right:
      rotate(doc, -90);
      break;
    case SourceTurn::Vertical:
      flip(doc, FlipDirection::Vertical);
      break;
    case SourceTurn::Horizontal:
      flip(doc, FlipDirection::Horizontal);
      break;
  }
}

}  // namespace lumatrix::test
