// Test-side builders of the chunks inside a visual form (HVMD).
#pragma once

#include <initializer_list>
#include <string_view>
#include <utility>
#include <vector>

#include "support/chunk_bytes.h"

namespace sqsupport {

// A model file: the VERS form and a visual form holding `contents`, then `after`.
inline Bytes VisualFile(const Bytes& contents, const Bytes& after = {}, int32_t version = 512) {
  return Bytes().Add(Vers(version)).Add(Form("HVMD", contents)).Add(after);
}

struct Param {
  int32_t textureIndex;
  std::string_view name;
};
struct List {
  int32_t primitiveType;
  int32_t indexCount;
};
struct Sub {
  int32_t materialTag;
  int32_t vertexFormat;
  int32_t vertexCount;
  std::vector<List> lists;
};

// A NRML STAT chunk: head word, two names, parameters (skipped pair, index, name).
inline Bytes NrmlStat(std::string_view firstName, std::initializer_list<Param> params) {
  Bytes body;
  body.I32(1).Text(firstName).Text("second").I32(static_cast<int32_t>(params.size()));
  for (const Param& p : params) body.I32(0).I32(0).I32(p.textureIndex).Text(p.name);
  return Nrml("STAT", body);
}

// A SHAD chunk: the bare tag, then as NRML STAT but with unnamed parameters.
inline Bytes Shad(std::string_view firstName, std::initializer_list<int32_t> textureIndices) {
  Bytes b;
  b.Tag("SHAD").I32(1).Text(firstName).Text("second").I32(static_cast<int32_t>(textureIndices.size()));
  for (int32_t index : textureIndices) b.I32(0).I32(0).I32(index);
  return b;
}

// A bare STAT: tag, size word, names, variant word, then `params` parameters
// (values 0, 1, ...) and `blocks` 24-byte blocks.
inline Bytes EliteStat(std::string_view material, std::string_view shaderType, int32_t variant, int params, int blocks,
                       int32_t firstValue = 0) {
  Bytes b;
  b.Tag("STAT").BE32(0).Text(material).Text(shaderType).I32(variant);
  for (int i = 0; i < params; ++i) b.I32(0).I32(0).I32(firstValue + i);
  b.Zeros(static_cast<std::size_t>(blocks) * 24);
  return b;
}

// An LMIP chunk whose swapped size leaves `pixels` bytes behind the name and format.
inline Bytes Lmip(std::string_view name, std::string_view format, std::size_t pixels) {
  Bytes b;
  b.Tag("LMIP").BE32(static_cast<uint32_t>(pixels + name.size() + 20)).Text(name).Tag(format).I32(1).I32(2).I32(3);
  return b.Zeros(pixels);
}

// A BMSH mesh behind its 8-byte header.
inline Bytes Bmsh(int32_t lodLevel, const std::vector<Sub>& subs) {
  Bytes mesh;
  mesh.Tag("BMSH").I32(0).I32(lodLevel).I32(static_cast<int32_t>(subs.size()));
  for (const Sub& s : subs) {
    const std::size_t vertexSize = s.vertexFormat == 24603 ? 64 : 40;
    mesh.I32(s.materialTag).I32(s.vertexFormat).I32(s.vertexCount);
    mesh.Zeros(static_cast<std::size_t>(s.vertexCount) * vertexSize);
    mesh.I16(static_cast<int16_t>(s.lists.size()));
    for (const List& l : s.lists) {
      mesh.I32(l.primitiveType).I32(l.indexCount);
      for (int32_t i = 0; i < l.indexCount; ++i) mesh.I16(static_cast<int16_t>(i));
    }
  }
  Bytes b;
  return b.Tag("BMSH").BE32(static_cast<uint32_t>(mesh.size())).Add(mesh);
}

inline Bytes Mult(std::string_view objectName, std::initializer_list<Bytes> meshes) {
  Bytes body;
  body.I32(0).Text("first").Text(objectName).I32(static_cast<int32_t>(meshes.size()));
  for (const Bytes& m : meshes) body.Add(m);
  return Nrml("MULT", body);
}

inline Bytes Gobg(std::string_view name, const Bytes& mesh) {
  return Nrml("GOBG", Bytes().I32(0).Text("first").Text(name).Add(mesh));
}

// One mesh of level `lodLevel` with one sub-mesh of one triangle list of `faces` faces.
inline Bytes Faces(int32_t lodLevel, int32_t faces, int32_t materialTag = 0) {
  return Bmsh(lodLevel, {{materialTag, 2, 0, {{4, faces * 3}}}});
}

}  // namespace sqsupport
