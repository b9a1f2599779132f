#include "breaklines/vertex_lookup.h"

#include <cmath>

namespace quarvelin {

namespace {

constexpr double kKeyScale = 2048;  // a power of two: the scaling is exact
constexpr double kLargestKeyed = 1e15;

int64_t Key(double value) { return static_cast<int64_t>(std::floor(value * kKeyScale)); }

}  // namespace

size_t VertexLookup::Bucket(int64_t keyX, int64_t keyY) const {
  uint64_t h = static_cast<uint64_t>(keyX) * 0x9E3779B97F4A7C15ull ^ static_cast<uint64_t>(keyY);
  h ^= h >> 29;
  h *= 0xBF58476D1CE4E5B9ull;
  h ^= h >> 32;
  return static_cast<size_t>(h) & mask_;
}

bool VertexLookup::Build(const ModelStore& store) {
  const int32_t first = 4, count = store.pointCount - first;
  for (int32_t p = first; p < store.pointCount; ++p) {
    if (!(std::fabs(store.points[p].x) < kLargestKeyed && std::fabs(store.points[p].y) < kLargestKeyed)) return false;
  }
  size_t buckets = 1;
  while (buckets < static_cast<size_t>(count) / 2) buckets *= 2;
  mask_ = buckets - 1;
  // A counting sort by bucket; ascending point order within each bucket.
  start_.assign(buckets + 1, 0);
  for (int32_t p = first; p < store.pointCount; ++p) ++start_[Bucket(Key(store.points[p].x), Key(store.points[p].y)) + 1];
  for (size_t b = 0; b < buckets; ++b) start_[b + 1] += start_[b];
  points_.resize(static_cast<size_t>(count));
  std::vector<int32_t> fill(start_.begin(), start_.end() - 1);
  for (int32_t p = first; p < store.pointCount; ++p) {
    points_[static_cast<size_t>(fill[Bucket(Key(store.points[p].x), Key(store.points[p].y))]++)] = p;
  }
  return true;
}

int32_t VertexLookup::Find(const ModelStore& store, int32_t cell, PlanePosition position, double tolerance) const {
  // Every point is keyed, so none lies within a tolerance of a position this
  // large, where doubles are further apart than the tolerance.
  if (!(std::fabs(position.x) < kLargestKeyed && std::fabs(position.y) < kLargestKeyed)) return -1;
  // A point that passes the test lies within the tolerance (and a rounding)
  // of the position, so within the keys of the widened window; a window
  // narrower than a key spans at most two keys on each axis.
  const double widenX = tolerance * (1 + 1e-9) + std::fabs(position.x) * 1e-15;
  const double widenY = tolerance * (1 + 1e-9) + std::fabs(position.y) * 1e-15;
  const int64_t x0 = Key(position.x - widenX), x1 = Key(position.x + widenX);
  const int64_t y0 = Key(position.y - widenY), y1 = Key(position.y + widenY);
  int32_t found = -1;
  for (int64_t kx = x0; kx <= x1; ++kx) {
    for (int64_t ky = y0; ky <= y1; ++ky) {
      const size_t b = Bucket(kx, ky);
      for (int32_t e = start_[b]; e < start_[b + 1]; ++e) {
        const int32_t p = points_[static_cast<size_t>(e)];
        if (found >= 0 && p >= found) break;
        const PointRecord& q = store.points[p];
        if (std::fabs(q.x - position.x) < tolerance && std::fabs(q.y - position.y) < tolerance &&
            store.grid.CellAt(q.x, q.y) == cell) {
          found = p;
        }
      }
    }
  }
  return found;
}

}  // namespace quarvelin
