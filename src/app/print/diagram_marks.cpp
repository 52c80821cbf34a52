#include "app/print/diagram_marks.h"

#include "database/notation_layout.h"

namespace zh {

bool DiagramAt(FullNota& nota, int line, GameCursor& at) {
  const auto& lines = nota.Lines();
  if (line < 0 || line >= static_cast<int>(lines.size())) return false;
  for (const NotaEntry& e : lines[static_cast<size_t>(line)]) {
    if (e.ply == kNotaLineEnd) break;
    if (!(e.flags & kNotaDiagram)) continue;
    if (e.ref < 0 || e.ref >= static_cast<int>(nota.Contexts().size())) return false;
    const CursorPath& path = nota.Contexts()[static_cast<size_t>(e.ref)].path;
    at = nota.Cursor();
    if (e.ply == kNotaGameLevel) {
      at.Rewind();
      return true;
    }
    if (path.Restore(at, e.ply) != 0 || at.Ply() != e.ply || at.Ply() >= at.LineEnd()) return false;
    at.Forward();
    return true;
  }
  return false;
}

}  // namespace zh
