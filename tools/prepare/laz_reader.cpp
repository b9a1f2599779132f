#include "laz_reader.h"

#include <condition_variable>
#include <cstring>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "laz_point10.h"
#include "laz_point14.h"

namespace quarvelin {

namespace {

using laz::Load;

constexpr size_t kRecordHeaderSize = 54;  // of a variable-length record
constexpr uint16_t kCompressionRecordId = 22204;
constexpr uint32_t kVariableChunkSize = 0xFFFFFFFFu;
enum Compressor : uint16_t { kPointwise = 1, kPointwiseChunked = 2, kLayeredChunked = 3 };

// The record that says how the points were compressed.
struct Compression {
  uint16_t compressor = 0, coder = 0;
  uint32_t chunkSize = 0;
  std::vector<laz::Item> items;
  uint32_t pointBytes = 0;  // of an uncompressed point: each chunk begins with one
};

struct Chunk {
  uint64_t begin, end;  // bytes in the file
  uint64_t first;       // number of its first point in the file, from 0
  uint64_t points;      // points to take from it: the last chunk may hold more than the header counts
};

// Decodes the chunk's points to `use` while it returns true; false when the
// chunk is damaged or `use` refused a point. A damaged chunk is noticed
// soon, however many points it claims.
template <typename Use>
bool DecodeChunk(laz::ChunkDecoder& decoder, std::FILE* file, const Chunk& chunk, Use&& use) {
  constexpr uint64_t kCheckInterval = 4096;
  decoder.StartChunk(file, chunk.begin, chunk.end);
  laz::CorePoint p;
  for (uint64_t j = 0; j < chunk.points; ++j) {
    decoder.Next(p);
    if ((j % kCheckInterval == kCheckInterval - 1 && decoder.Damaged()) || !use(p)) return false;
  }
  return !decoder.Damaged();
}

// Chunks decoded ahead on worker threads, each worker with its own decoder
// and its own handle on the file, while the caller takes the points chunk
// after chunk in file order. At most `window` chunks are held at once.
class ChunkPipeline {
 public:
  using DecoderFactory = std::function<std::unique_ptr<laz::ChunkDecoder>()>;

  ChunkPipeline(const std::string& path, const std::vector<Chunk>& chunks, const DecoderFactory& makeDecoder,
                unsigned workers)
      : chunks_(chunks), window_(2 * workers), slots_(window_) {
    for (unsigned i = 0; i < workers; ++i) threads_.emplace_back([this, &path, makeDecoder] { Work(path, makeDecoder()); });
  }
  ~ChunkPipeline() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
    }
    changed_.notify_all();
    for (std::thread& t : threads_) t.join();
  }
  // The points of chunk `index`, the chunks taken in order; false when it is damaged.
  bool Take(size_t index, std::vector<laz::CorePoint>& points) {
    Slot& slot = slots_[index % window_];
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return slot.ready; });
    points.swap(slot.points);
    slot.ready = false;
    ++taken_;
    changed_.notify_all();
    return slot.sound;
  }

 private:
  struct Slot {
    std::vector<laz::CorePoint> points;
    bool ready = false, sound = false;
  };

  void Work(const std::string& path, std::unique_ptr<laz::ChunkDecoder> decoder) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    std::vector<laz::CorePoint> points;
    for (;;) {
      size_t index;
      {
        std::unique_lock<std::mutex> lock(mutex_);
        // A chunk's slot is free once the chunk `window_` before it is taken.
        changed_.wait(lock, [&] { return stop_ || next_ == chunks_.size() || next_ < taken_ + window_; });
        if (stop_ || next_ == chunks_.size()) return;
        index = next_++;
      }
      points.clear();
      const bool sound = file && DecodeChunk(*decoder, file.get(), chunks_[index], [&](const laz::CorePoint& p) {
        points.push_back(p);
        return true;
      });
      std::lock_guard<std::mutex> lock(mutex_);
      Slot& slot = slots_[index % window_];
      slot.points.swap(points);
      slot.sound = sound;
      slot.ready = true;
      changed_.notify_all();
    }
  }

  const std::vector<Chunk>& chunks_;
  const size_t window_;
  std::vector<Slot> slots_;
  std::mutex mutex_;
  std::condition_variable changed_;
  size_t next_ = 0, taken_ = 0;
  bool stop_ = false;
  std::vector<std::thread> threads_;
};

class LazFile {
 public:
  LazFile(const std::string& path, std::FILE* file, uint64_t size, const LasHeader& header, std::string& error)
      : path_(path), file_(file), size_(size), header_(header), error_(error) {}

  bool FindCompression(Compression& compression);
  std::unique_ptr<laz::ChunkDecoder> MakeDecoder(const Compression& compression);
  bool ListChunks(const Compression& compression, std::vector<Chunk>& chunks);
  bool Decode(const std::vector<Chunk>& chunks, const ChunkPipeline::DecoderFactory& makeDecoder,
              const PointFilter& filter, const PointSink& sink, ReadCounts& counts);

 private:
  bool Fail(const std::string& what) {
    error_ = path_ + ": " + what;
    return false;
  }
  bool ReadAt(uint64_t offset, void* bytes, size_t count) {
    return offset <= size_ && count <= size_ - offset && fseeko(file_, static_cast<off_t>(offset), SEEK_SET) == 0 &&
           std::fread(bytes, 1, count, file_) == count;
  }
  bool ParseCompression(const std::vector<uint8_t>& record, Compression& compression);
  bool ChunkTableOffset(uint64_t& offset);

  const std::string& path_;
  std::FILE* file_;
  uint64_t size_;
  const LasHeader& header_;
  std::string& error_;
};

bool LazFile::FindCompression(Compression& compression) {
  uint64_t at = header_.headerSize;
  for (uint32_t i = 0; i < header_.recordCount && at + kRecordHeaderSize <= header_.pointOffset; ++i) {
    uint8_t record[kRecordHeaderSize];
    if (!ReadAt(at, record, sizeof record)) break;
    const uint16_t length = Load<uint16_t>(record + 20);
    if (std::memcmp(record + 2, "laszip encoded\0", 15) == 0 && Load<uint16_t>(record + 18) == kCompressionRecordId) {
      std::vector<uint8_t> body(length);
      if (!ReadAt(at + kRecordHeaderSize, body.data(), length)) return Fail("the compression record is cut short");
      return ParseCompression(body, compression);
    }
    at += kRecordHeaderSize + length;
  }
  return Fail("the points are marked compressed, but the file has no compression record");
}

bool LazFile::ParseCompression(const std::vector<uint8_t>& record, Compression& compression) {
  constexpr size_t kItemsAt = 34;
  const uint8_t* r = record.data();
  if (record.size() < kItemsAt || record.size() < kItemsAt + 6u * Load<uint16_t>(r + 32)) {
    return Fail("the compression record is too short for its item list");
  }
  compression.compressor = Load<uint16_t>(r);
  compression.coder = Load<uint16_t>(r + 2);
  compression.chunkSize = Load<uint32_t>(r + 12);
  for (size_t i = 0, n = Load<uint16_t>(r + 32); i < n; ++i) {
    const uint8_t* item = r + kItemsAt + 6 * i;
    compression.items.push_back({Load<uint16_t>(item), Load<uint16_t>(item + 2), Load<uint16_t>(item + 4)});
    compression.pointBytes += compression.items.back().size;
  }
  if (compression.coder != 0) return Fail("entropy coder " + std::to_string(compression.coder) + " is unknown");
  if (compression.compressor < kPointwise || compression.compressor > kLayeredChunked) {
    return Fail("compressor " + std::to_string(compression.compressor) + " is unknown (1 to 3 are known)");
  }
  if (compression.compressor != kPointwise && compression.chunkSize == 0) return Fail("the chunk size is 0");
  return true;
}

std::unique_ptr<laz::ChunkDecoder> LazFile::MakeDecoder(const Compression& compression) {
  const unsigned format = header_.format;
  const std::string name = "compressed point format " + std::to_string(format);
  if (format == 4 || format == 5 || format == 9 || format == 10) {
    Fail(name + " (with waveform packets) is not supported; formats 0 to 3 and 6 to 8 are");
    return nullptr;
  }
  const bool layered = compression.compressor == kLayeredChunked;
  if (layered != (format >= 6)) {
    Fail(name + " does not go with compressor " + std::to_string(compression.compressor));
    return nullptr;
  }
  std::string why;
  std::unique_ptr<laz::ChunkDecoder> decoder =
      layered ? laz::MakePoint14Decoder(compression.items, why) : laz::MakePoint10Decoder(compression.items, why);
  if (!decoder) Fail(name + ": the item " + why + " is not supported");
  return decoder;
}

// Where the chunk table lies: named by the first eight bytes of the point
// data, or, by writers that could not go back to write them, by the last
// eight bytes of the file.
bool LazFile::ChunkTableOffset(uint64_t& offset) {
  int64_t at = 0;
  if (!ReadAt(header_.pointOffset, &at, sizeof at)) return Fail("the file ends where its points begin");
  if (at == -1 && !ReadAt(size_ - 8, &at, sizeof at)) return Fail("the file ends where its points begin");
  offset = static_cast<uint64_t>(at);
  if (at < 0 || offset < header_.pointOffset + 8u || offset > size_ - 8) {
    return Fail("the chunk table is said to begin at byte " + std::to_string(at) + ", outside the file's " +
                std::to_string(size_) + " bytes of points");
  }
  return true;
}

bool LazFile::ListChunks(const Compression& compression, std::vector<Chunk>& chunks) {
  const uint64_t wanted = header_.pointCount;
  if (compression.compressor == kPointwise) {
    chunks.push_back({header_.pointOffset, size_, 0, wanted});  // one stream for all
    return true;
  }
  uint64_t tableAt = 0;
  if (!ChunkTableOffset(tableAt)) return false;
  uint32_t table[2];  // version, number of chunks
  if (!ReadAt(tableAt, table, sizeof table)) return Fail("the chunk table is cut short");
  if (table[0] != 0) return Fail("chunk table version " + std::to_string(table[0]) + " is unknown");
  // Sizes and point counts follow, each coded against the one before.
  laz::ByteSource source;
  source.Open(file_, tableAt + 8, size_);
  laz::ArithmeticDecoder decoder;
  laz::IntegerDecompressor sizes(32, 2);
  if (table[1] > 0) decoder.Start(source);
  const bool variable = compression.chunkSize == kVariableChunkSize;
  int32_t points = 0, bytes = 0;
  uint64_t begin = header_.pointOffset + 8u, listed = 0;
  for (uint32_t i = 0; i < table[1] && listed < wanted; ++i) {
    if (variable) points = sizes.Decompress(decoder, points, 0);
    bytes = sizes.Decompress(decoder, bytes, 1);
    if (source.overrun() > laz::kOverrunSlack) return Fail("the chunk table is cut short");
    const uint64_t count = variable ? static_cast<uint32_t>(points) : compression.chunkSize;
    const uint64_t end = begin + static_cast<uint32_t>(bytes);
    // Chunks lie before their table, each at least a point long: a damaged
    // table cannot list more chunks than the file can hold.
    if (end > tableAt || end < begin + compression.pointBytes) {
      return Fail("chunk " + std::to_string(i + 1) + " of " + std::to_string(table[1]) + " of " +
                  std::to_string(static_cast<uint32_t>(bytes)) + " bytes does not fit before the chunk table");
    }
    chunks.push_back({begin, end, listed, std::min(count, wanted - listed)});
    begin = end;
    listed += count;
  }
  if (listed < wanted) {
    return Fail("the header counts " + std::to_string(wanted) + " points, the chunks hold only " + std::to_string(listed));
  }
  return true;
}

bool LazFile::Decode(const std::vector<Chunk>& chunks, const ChunkPipeline::DecoderFactory& makeDecoder,
                     const PointFilter& filter, const PointSink& sink, ReadCounts& counts) {
  uint64_t number = 0;  // of the point in the file
  bool refused = false;
  auto use = [&](const laz::CorePoint& p) {
    ++number;
    if (!filter.Keeps(header_.ClassCode(p.classification))) {
      ++counts.skipped;
      return true;
    }
    const SurveyPoint position = header_.Position(p.x, p.y, p.z);
    if (const char* fault = CoordinateFault(position)) {
      refused = true;
      return Fail("point " + std::to_string(number) + " with the header's scale and offset: " + fault);
    }
    sink(position);
    ++counts.kept;
    return true;
  };
  auto damaged = [&](size_t i) {
    return Fail("chunk " + std::to_string(i + 1) + " of " + std::to_string(chunks.size()) + " (from point " +
                std::to_string(chunks[i].first + 1) + ") is damaged or cut short");
  };
  // Chunks of usual sizes decode on other cores while this one hands the
  // points on; one stream for all, or huge chunks, decode here.
  constexpr uint64_t kMaxPipelinedChunk = 1 << 20;
  const unsigned workers = std::min(std::thread::hardware_concurrency(), 4u);
  bool pipelined = chunks.size() > 1 && workers > 1;
  for (const Chunk& chunk : chunks) pipelined = pipelined && chunk.points <= kMaxPipelinedChunk;
  if (!pipelined) {
    std::unique_ptr<laz::ChunkDecoder> decoder = makeDecoder();
    for (size_t i = 0; i < chunks.size(); ++i) {
      if (!DecodeChunk(*decoder, file_, chunks[i], use)) return refused ? false : damaged(i);
    }
    return true;
  }
  ChunkPipeline pipeline(path_, chunks, makeDecoder, workers);
  std::vector<laz::CorePoint> points;
  for (size_t i = 0; i < chunks.size(); ++i) {
    if (!pipeline.Take(i, points)) return damaged(i);
    for (const laz::CorePoint& p : points) {
      if (!use(p)) return false;
    }
  }
  return true;
}

}  // namespace

bool ReadLazPoints(const std::string& path, std::FILE* file, uint64_t fileSize, const LasHeader& header,
                   const PointFilter& filter, const PointSink& sink, ReadCounts& counts, std::string& error) {
  LazFile laz(path, file, fileSize, header, error);
  Compression compression;
  std::vector<Chunk> chunks;
  if (!laz.FindCompression(compression)) return false;
  if (!laz.MakeDecoder(compression) || !laz.ListChunks(compression, chunks)) return false;
  return laz.Decode(chunks, [&] { return laz.MakeDecoder(compression); }, filter, sink, counts);
}

}  // namespace quarvelin
