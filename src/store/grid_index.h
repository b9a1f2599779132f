// Grid.idx: the point grid handed to the host as a spatial index into the
// finished network, with empty cells filled from their neighbours so that a
// position in any cell near the data leads to a point, and from that point's
// incidentTriangle into the network.
#pragma once

#include <cstdint>
#include <string>

#include "store/model_store.h"

namespace quarvelin {

// The line fill on the m cells cells[first + k * stride], k = 0..m-1: every
// empty cell between the first and the last occupied one takes the
// firstPoint of the cell before it, and the line is extended by one cell at
// each end. Only firstPoint changes; a line with no occupied cell is left as
// it is. "Occupied" means firstPoint != -1, so cells filled by an earlier
// pass count.
void FillGridLine(GridCell* cells, int64_t first, int64_t stride, int32_t m);

// The two passes: every row along the columns, then every column along the
// rows.
void FillEmptyCells(PointGrid& grid);

// Fills the empty cells, then writes the cells of Grid.idx in cell-number
// order, 16 bytes each, no header. Fails when the file could not be created
// or written.
Status WriteGridIndex(ModelStore& store);

}  // namespace quarvelin
