// Materials (NRML STAT, SHAD and bare STAT records) and textures (LMIP, LMTX).
#include "hod/visual_readers.h"

#include <string_view>

namespace sq {

namespace {

// The part a NRML STAT and a SHAD body share: everything up to the parameters.
// Returns the number of parameters, or nothing when the count is unsound.
std::optional<std::size_t> ReadStatHead(WalkContext& ctx, StatRecord& record, std::size_t paramSize) {
  Reader& in = ctx.in;
  record.headWord = in.I32();
  ReadCounted(ctx, record.firstName);
  ReadCounted(ctx, record.secondName);
  record.paramCount = in.I32();
  return in.Count(record.paramCount, paramSize, "material parameter");
}

struct ShaderShape {
  int parameters;
  int blocks;  // 24-byte blocks behind the parameters
  int increment;
};

std::optional<ShaderShape> ShapeOf(std::string_view shaderType, int32_t variantWord, WalkContext& ctx) {
  if (shaderType == "default" || shaderType == "fx" || shaderType == "fxSolid" || shaderType == "matte") {
    return ShaderShape{1, 0, 1};
  }
  if (shaderType == "background") return ShaderShape{1, 1, 1};
  if (shaderType == "resource") return ShaderShape{3, 1, 2};
  if (shaderType == "ship") {
    if (variantWord == 12) return ShaderShape{7, 5, 2};
    if (variantWord == 4) return ShaderShape{2, 2, 2};
    ctx.Say("Incompatible 'ship' type shader group, exiting...", MessageWeight::Error);
    return std::nullopt;
  }
  if (shaderType == "badge") return ShaderShape{9, 5, 3};
  if (shaderType == "thruster") return ShaderShape{11, 6, 4};
  ctx.Say("Incompatible shader type found, exiting...", MessageWeight::Error);
  return std::nullopt;
}

}  // namespace

void ReadNrmlSTAT(WalkContext& ctx, StatRecord& record) {
  Reader& in = ctx.in;
  // A parameter takes at least 16 bytes: the skipped pair, the index, the name's length.
  const auto count = ReadStatHead(ctx, record, 16);
  if (!count) return;
  record.params.resize(*count);
  for (StatParam& param : record.params) {
    param.skippedPair = {in.I32(), in.I32()};
    param.textureIndex = in.I32();
    ReadCounted(ctx, param.paramName);
  }
}

void ReadSHAD(WalkContext& ctx, StatRecord& record) {
  Reader& in = ctx.in;
  // A SHAD parameter has no name: the skipped pair and the index, 12 bytes.
  const auto count = ReadStatHead(ctx, record, 12);
  if (!count) return;
  record.params.resize(*count);
  for (StatParam& param : record.params) {
    param.skippedPair = {in.I32(), in.I32()};
    param.textureIndex = in.I32();
  }
}

void ReadEliteSTAT(WalkContext& ctx, Model& model, EliteRecord& record) {
  Reader& in = ctx.in;
  record.chunkId = "STAT";
  record.chunkSize = in.U32();
  ReadCounted(ctx, record.materialName);
  ReadCounted(ctx, record.shaderType);
  record.variantWord = in.I32();
  if (in.Failed()) return;

  // An unknown shader leaves the record as far as read; the walk goes on from here.
  const auto shape = ShapeOf(record.shaderType, record.variantWord, ctx);
  if (!shape) return;
  record.params.resize(static_cast<std::size_t>(shape->parameters));
  for (EliteParam& param : record.params) {
    param.skippedPair = {in.I32(), in.I32()};
    param.value = in.I32();
  }
  model.eliteShaderCount += shape->increment;
  record.blocks = in.Bytes(static_cast<std::size_t>(shape->blocks) * 24);
}

void ReadLMIP(WalkContext& ctx, LmipRecord& record) {
  Reader& in = ctx.in;
  record.chunkId = "LMIP";
  record.chunkSize = in.U32();
  record.nameLength = in.I32();
  ReadFixedText(ctx, record.textureName, record.nameLength);
  record.format = in.Chars4();
  record.formatWords = {in.I32(), in.I32(), in.I32()};
  if (in.Failed()) return;
  // The pixels are what the size leaves after the name and the 20 bytes of its
  // length, format code and format words.
  const int64_t pixelLength = int64_t{static_cast<int32_t>(ByteSwap32(record.chunkSize))} - record.nameLength - 20;
  if (pixelLength < 0) {
    in.Fail("LMIP chunk with a negative pixel-data length " + FormatInt(pixelLength));
    return;
  }
  const auto bytes = in.Count(pixelLength, 1, "LMIP pixel byte");
  if (!bytes) return;
  record.pixelData = in.Bytes(*bytes);
}

void ReadLMTX(WalkContext& ctx, LmtxRecord& record) {
  Reader& in = ctx.in;
  record.chunkId = "LMTX";
  record.chunkSize = in.U32();
  if (in.Failed()) return;
  const int32_t length = static_cast<int32_t>(ByteSwap32(record.chunkSize));
  if (length < 0) {
    in.Fail("LMTX chunk with a negative size " + FormatInt(length));
    return;
  }
  const auto bytes = in.Count(length, 1, "LMTX data byte");
  if (!bytes) return;
  record.data = in.Bytes(*bytes);
}

}  // namespace sq
