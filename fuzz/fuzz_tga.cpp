// Arbitrary bytes loaded as a TGA image; an accepted image runs the star detector
// and is saved halftoned. The same bytes are built into a background, with the
// options the second byte picks. The first byte answers the halftone question.
#include <cstdint>
#include <span>
#include <string_view>

#include "builder/builder.h"
#include "fuzz/fuzz_support.h"
#include "output/file_output.h"
#include "writer/background_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  using namespace sqfuzz;
  Scratch& scratch = Scratch::Get();
  scratch.Clear();
  const sq::PictureFile input = sq::LookAtPicture(
      sq::FileBytes::Copy(std::span<const uint8_t>(data, size), (scratch.In() / "image.tga").string()));

  const bool answer = size > 0 && (data[0] & 1) != 0;
  const sq::FilterQuestion askFilter = [answer](const sq::Messages&) { return answer; };
  sq::NoProgress progress;
  sq::TgaTables tables;
  sq::DiskFolder out(scratch.Out());
  const sq::TgaLoadResult loaded = sq::LoadSkyImage(input, out, tables, progress, askFilter);
  if (loaded.status == sq::TgaLoadResult::Status::Loaded) {
    // The image is held once, in about the bytes the file has.
    SQFUZZ_CHECK(input.kind != sq::PictureFileKind::Targa || tables.PixelCount() * 4 <= size,
                 "more pixels than the file holds");
    const sq::OutputReport saved = sq::SaveHalftonedImage(tables, "image", out);
    SQFUZZ_CHECK(saved.Ok(), "the halftoned image could not be saved");
  } else {
    SQFUZZ_CHECK(tables.PixelCount() == 0, "a refused image left pixels in the tables");
  }

  sq::BuildOptions options;
  if (size > 1) {
    options.density = sq::kMeshDensities[data[1] % sq::kMeshDensities.size()];
    options.colourAverage = (data[1] & 8) != 0;
    options.intensityLimit = (data[1] & 16) != 0;
    options.increaseCapping = (data[1] & 32) != 0;
    options.stars = static_cast<sq::StarAmount>((data[1] >> 6) % 3);
  }
  sq::TgaReadOptions read;
  read.askFilter = askFilter;
  const sq::BuiltBackground built = sq::BuildBackgroundFromFile(input, options, progress, read);
  if (built.Built()) {
    for (const sq::MeshChunk& chunk : built.tables.bgmsTable) {
      const sq::MeshPart& part = chunk.parts.at(0);
      SQFUZZ_CHECK(part.vertexCount <= 32767, "a mesh chunk holds more vertices than 16-bit indices reach");
      for (const int16_t index : part.indexLists.at(0).indices) {
        SQFUZZ_CHECK(index >= 0 && index < part.vertexCount, "an index outside its chunk's vertices");
      }
    }
    sq::BackgroundWriterTables writer;
    SQFUZZ_CHECK(sq::CopyBackgroundToWriter(built.tables, writer).empty(), "the writer refuses a built background");
  }
  scratch.CheckContained();
  return 0;
}
