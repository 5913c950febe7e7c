// The model's tables as JSON, one function a record, fields in the order and
// under the names the model gives them. Blocks the model keeps as views into the
// file (vertices, pixels, index lists, stars) give their count and byte length.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <type_traits>

#include "app/dump_command.h"

namespace sq {

namespace {

// A 32-bit float as the shortest decimal that reads back to it; null when it is
// not finite (JSON has no such numbers).
Json Num(float value) {
  if (!std::isfinite(value)) return nullptr;
  char text[32];
  const auto [end, ec] = std::to_chars(text, text + sizeof text - 1, value);
  if (ec != std::errc()) return nullptr;
  *end = '\0';
  return std::strtod(text, nullptr);
}
Json Num(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

template <typename T, std::size_t N>
Json Values(const std::array<T, N>& values) {
  Json list = Json::array();
  for (const T& v : values) {
    if constexpr (std::is_floating_point_v<T>) {
      list.push_back(Num(v));
    } else {
      list.push_back(v);
    }
  }
  return list;
}

Json Point(const Point3& p) { return Json::array({Num(p.x), Num(p.y), Num(p.z)}); }
Json Text(std::string_view text) { return JsonText(text); }

Json Block(std::size_t count, std::size_t bytes) {
  Json block;
  block["count"] = count;
  block["byteLength"] = bytes;
  return block;
}
template <typename T>
Json Block(const RecordList<T>& list) {
  return Block(list.size(), list.size() * RecordList<T>::kRecordBytes);
}
Json Bytes(std::span<const uint8_t> bytes) {
  Json block;
  block["byteLength"] = bytes.size();
  return block;
}

template <typename T, typename F>
Json List(const std::vector<T>& records, F toJson) {
  Json list = Json::array();
  for (const T& record : records) list.push_back(toJson(record));
  return list;
}

Json Header(const ChunkHeader& h) {
  Json j;
  j["chunkKind"] = Text(h.chunkKind);
  j["chunkSize"] = h.chunkSize;
  j["chunkId"] = Text(h.chunkId);
  return j;
}

Json Sub(const SubHeader& h) {
  Json j;
  j["kind"] = Text(h.kind);
  j["size"] = h.size;
  return j;
}

// ---------------------------------------------------------------------------
// Background

Json MeshPartJson(const MeshPart& part) {
  Json j;
  j["materialTag"] = part.materialTag;
  j["vertexFormat"] = part.vertexFormat;
  j["vertexCount"] = part.vertexCount;
  j["vertices"] = Block(part.vertices);
  j["listCount"] = part.listCount;
  j["indexLists"] = List(part.indexLists, [](const IndexList& list) {
    Json l;
    l["primitiveType"] = list.primitiveType;
    l["indexCount"] = list.indexCount;
    l["indices"] = Block(list.indices);
    return l;
  });
  return j;
}

Json BackgroundJson(const Model& model) {
  Json j;
  j["bgmsTable"] = List(model.bgmsTable, [](const MeshChunk& chunk) {
    Json c;
    c["header"] = Header(chunk.header);
    c["word1"] = chunk.word1;
    c["word2"] = chunk.word2;
    c["subMeshCount"] = chunk.subMeshCount;
    c["parts"] = List(chunk.parts, MeshPartJson);
    return c;
  });
  j["bgsgTable"] = List(model.bgsgTable, [](const StarMapChunk& chunk) {
    Json c;
    c["header"] = Header(chunk.header);
    c["nameLength"] = chunk.nameLength;
    c["textureName"] = Text(chunk.textureName);
    c["recordCount"] = chunk.recordCount;
    c["records"] = Block(chunk.records);
    return c;
  });
  j["strfTable"] = List(model.strfTable, [](const PointStarChunk& chunk) {
    Json c;
    c["header"] = Header(chunk.header);
    c["starVersion"] = Values(chunk.starVersion);
    c["starCount"] = chunk.starCount;
    c["stars"] = Block(chunk.stars);
    return c;
  });
  return j;
}

// ---------------------------------------------------------------------------
// Visual model

Json BmshJson(const bmsh::BmshMesh& mesh) {
  Json j;
  j["meshTag"] = Text(mesh.meshTag);
  j["word1"] = mesh.word1;
  j["lodLevel"] = mesh.lodLevel;
  j["subMeshCount"] = mesh.subMeshCount;
  j["subMeshes"] = List(mesh.subMeshes, [](const bmsh::SubMesh& sub) {
    Json s;
    s["materialTag"] = sub.materialTag;
    s["vertexFormat"] = sub.vertexFormat;
    s["vertexCount"] = sub.vertexCount;
    s["vertices"] = Block(static_cast<std::size_t>(std::max(sub.vertexCount, 0)), sub.vertices.size());
    s["listCount"] = sub.listCount;
    s["indexLists"] = List(sub.indexLists, [](const bmsh::IndexList& list) {
      Json l;
      l["primitiveType"] = list.primitiveType;
      l["indexCount"] = list.indexCount;
      l["indices"] = Block(list.indices.size(), list.indices.size() * sizeof(int16_t));
      return l;
    });
    return s;
  });
  return j;
}

Json MeshHeaderJson(const MeshHeader& h) {
  Json j;
  j["tag"] = Text(h.tag);
  j["size"] = h.size;
  return j;
}

Json VisualJson(const Model& model) {
  Json j;
  j["hasNrmlSTAT"] = model.hasNrmlSTAT;
  j["statForms"] = model.statForms;
  j["eliteShaderCount"] = model.eliteShaderCount;
  j["hasLMIP"] = model.hasLMIP;
  j["hasMULT"] = model.hasMULT;
  j["hasGOBG"] = model.hasGOBG;
  j["hasGOBS"] = model.hasGOBS;
  j["hasVARY"] = model.hasVARY;
  j["hasLMTX"] = model.hasLMTX;
  j["hasGOBD"] = model.hasGOBD;
  j["hasSHAD"] = model.hasSHAD;
  j["hasSIMP"] = model.hasSIMP;
  j["faceTotal"] = model.faceTotal;
  j["statTable"] = List(model.statTable, [](const StatRecord& r) {
    Json s;
    s["header"] = Header(r.header);
    s["headWord"] = r.headWord;
    s["firstName"] = Text(r.firstName);
    s["secondName"] = Text(r.secondName);
    s["paramCount"] = r.paramCount;
    s["params"] = List(r.params, [](const StatParam& p) {
      Json q;
      q["skippedPair"] = Values(p.skippedPair);
      q["textureIndex"] = p.textureIndex;
      q["paramName"] = Text(p.paramName);
      return q;
    });
    return s;
  });
  j["eliteTable"] = List(model.eliteTable, [](const EliteRecord& r) {
    Json s;
    s["chunkId"] = Text(r.chunkId);
    s["chunkSize"] = r.chunkSize;
    s["materialName"] = Text(r.materialName);
    s["shaderType"] = Text(r.shaderType);
    s["variantWord"] = r.variantWord;
    s["params"] = List(r.params, [](const EliteParam& p) {
      Json q;
      q["skippedPair"] = Values(p.skippedPair);
      q["value"] = p.value;
      return q;
    });
    s["blocks"] = Block(r.blocks.size() / 24, r.blocks.size());
    return s;
  });
  j["lmipTable"] = List(model.lmipTable, [](const LmipRecord& r) {
    Json s;
    s["chunkId"] = Text(r.chunkId);
    s["chunkSize"] = r.chunkSize;
    s["nameLength"] = r.nameLength;
    s["textureName"] = Text(r.textureName);
    s["format"] = Text(r.format);
    s["formatWords"] = Values(r.formatWords);
    s["pixelData"] = Bytes(r.pixelData);
    return s;
  });
  j["lmtxTable"] = List(model.lmtxTable, [](const LmtxRecord& r) {
    Json s;
    s["chunkId"] = Text(r.chunkId);
    s["chunkSize"] = r.chunkSize;
    s["data"] = Bytes(r.data);
    return s;
  });
  Json gobs;
  gobs["header"] = Header(model.gobsRecord.header);
  gobs["words"] = Values(model.gobsRecord.words);
  j["gobsRecord"] = std::move(gobs);
  Json gobd;
  gobd["chunkId"] = Text(model.gobdRecord.chunkId);
  gobd["words"] = Values(model.gobdRecord.words);
  j["gobdRecord"] = std::move(gobd);
  j["multTable"] = List(model.multTable, [](const MultRecord& r) {
    Json s;
    s["header"] = Header(r.header);
    s["headWord"] = r.headWord;
    s["firstName"] = Text(r.firstName);
    s["secondName"] = Text(r.secondName);
    s["lodCount"] = r.lodCount;
    s["lods"] = List(r.lods, [](const LodMesh& level) {
      Json l;
      l["meshHeader"] = MeshHeaderJson(level.meshHeader);
      l["mesh"] = BmshJson(level.mesh);
      return l;
    });
    return s;
  });
  j["gobgTable"] = List(model.gobgTable, [](const GobgRecord& r) {
    Json s;
    s["header"] = Header(r.header);
    s["headWord"] = r.headWord;
    s["firstName"] = Text(r.firstName);
    s["secondName"] = Text(r.secondName);
    s["meshHeader"] = MeshHeaderJson(r.meshHeader);
    s["mesh"] = BmshJson(r.mesh);
    return s;
  });
  const VaryRecord& vary = model.varyRecord;
  Json v;
  v["chunkId"] = Text(vary.chunkId);
  v["chunkSize"] = vary.chunkSize;
  v["varyName"] = Text(vary.varyName);
  v["secondName"] = Text(vary.secondName);
  v["positionCount"] = vary.positionCount;
  v["cornerCount"] = vary.cornerCount;
  v["faceCount"] = vary.faceCount;
  v["faceListCount"] = vary.faceListCount;
  v["spareCount"] = vary.spareCount;
  v["positions"] = Block(vary.positions.size(), vary.positions.size() * 12);
  v["corners"] = Block(vary.corners.size(), vary.corners.size() * sizeof(VaryCorner));
  v["faces"] = Block(vary.faces.size(), vary.faces.size() * sizeof(VaryFace));
  v["faceLists"] = List(vary.faceLists, [](const VaryFaceList& list) {
    Json l;
    l["indices"] = Block(list.indices.size(), list.indices.size() * sizeof(int16_t));
    l["listKind"] = list.listKind;
    return l;
  });
  j["varyRecord"] = std::move(v);
  j["varyReportText"] = Text(model.varyReportText);
  Json lite;
  lite["chunkId"] = Text(model.liteRecord.chunkId);
  lite["chunkSize"] = model.liteRecord.chunkSize;
  lite["liteCount"] = model.liteRecord.liteCount;
  lite["lights"] = List(model.liteRecord.lights, [](const Light& l) {
    Json s;
    s["lightName"] = Text(l.lightName);
    s["lightType"] = l.lightType;
    Json vectors = Json::array();
    for (const auto& vector : l.vectors) vectors.push_back(Values(vector));
    s["vectors"] = std::move(vectors);
    s["trailing"] = Values(l.trailing);
    return s;
  });
  j["liteRecord"] = std::move(lite);
  return j;
}

// ---------------------------------------------------------------------------
// Detail part

Json BlockAJson(const BlockA& b) {
  Json j;
  j["kind"] = Text(b.kind);
  j["size"] = b.size;
  j["first"] = Values(b.first);
  j["second"] = Values(b.second);
  return j;
}

Json BlockBJson(const BlockB& b) {
  Json j;
  j["kind"] = Text(b.kind);
  j["size"] = b.size;
  j["record"] = Values(b.record);
  j["value"] = b.value;
  return j;
}

// A TRIS or VNRM part: its points and faces are mesh data, given as blocks.
Json TriangleSetJson(const TriangleSet& set) {
  Json j;
  j["id"] = Text(set.id);
  j["value"] = set.value;
  j["pointCount"] = set.pointCount;
  j["points"] = Block(set.points.size(), set.points.size() * 12);
  j["faceCount"] = set.faceCount;
  j["faces"] = Block(set.faces.size(), set.faces.size() * 6);
  return j;
}

Json Points(const std::vector<Point3>& points) { return List(points, Point); }

Json InfoItemJson(const InfoItem& item) {
  Json j;
  j["token"] = Text(item.token);
  j["size"] = item.size;
  j["length"] = item.length;
  j["text"] = Text(item.text);
  return j;
}

Json DetailJson(const Model& model) {
  Json j;
  j["hasETSH"] = model.hasETSH;
  j["hasGLOW"] = model.hasGLOW;
  j["hasBURN"] = model.hasBURN;
  j["hasNAVL"] = model.hasNAVL;
  j["hasCOLD"] = model.hasCOLD;
  j["hasANIM"] = model.hasANIM;
  j["hasMRKR"] = model.hasMRKR;
  j["hasDOCK"] = model.hasDOCK;
  j["hasBSRM"] = model.hasBSRM;
  Json hier;
  hier["id"] = Text(model.hierarchyHeader.id);
  hier["size"] = model.hierarchyHeader.size;
  j["hierarchyHeader"] = std::move(hier);
  j["hierarchyTable"] = List(model.hierarchyTable, [](const HierObject& o) {
    Json s;
    s["nameLength"] = o.nameLength;
    s["name"] = Text(o.name);
    s["parentLength"] = o.parentLength;
    s["parentName"] = Text(o.parentName);
    s["position"] = Point(o.position);
    s["orientation"] = Values(o.orientation);
    s["scale"] = Values(o.scale);
    s["worldPosition"] = Values(o.worldPosition);
    s["trailing"] = Values(o.trailing);
    return s;
  });
  Json info;
  info["header"] = Header(model.infoRecord.header);
  info["owner"] = InfoItemJson(model.infoRecord.owner);
  info["warning"] = InfoItemJson(model.infoRecord.warning);
  info["error"] = InfoItemJson(model.infoRecord.error);
  j["infoRecord"] = std::move(info);
  j["mrkrTable"] = List(model.mrkrTable, [](const MarkerRecord& r) {
    Json s;
    s["header"] = Header(r.header);
    s["subHeader"] = Sub(r.subHeader);
    s["id"] = Text(r.id);
    s["value"] = r.value;
    s["nameLength"] = r.nameLength;
    s["name"] = Text(r.name);
    s["parentLength"] = r.parentLength;
    s["parentName"] = Text(r.parentName);
    s["separator"] = Num(r.separator);
    s["block1"] = Values(r.block1);
    s["block2"] = Values(r.block2);
    s["secondSubHeader"] = Sub(r.secondSubHeader);
    s["endToken"] = Text(r.endToken);
    return s;
  });
  j["separatorReportText"] = Text(model.separatorReportText);
  j["etshTable"] = List(model.etshTable, [](const EtshRecord& r) {
    Json s;
    s["size"] = r.size;
    s["nameLength"] = r.nameLength;
    s["name"] = Text(r.name);
    s["secondLength"] = r.secondLength;
    s["secondText"] = Text(r.secondText);
    s["trailSets"] = List(r.trailSets, [](const TrailSet& set) {
      Json t;
      t["pointCount"] = set.pointCount;
      t["points"] = Points(set.points);
      return t;
    });
    return s;
  });
  j["glowTable"] = List(model.glowTable, [](const GlowRecord& r) {
    Json s;
    s["header"] = Header(r.header);
    s["inner"] = Header(r.inner);
    s["value1"] = r.value1;
    s["nameLength"] = r.nameLength;
    s["name"] = Text(r.name);
    s["secondLength"] = r.secondLength;
    s["secondText"] = Text(r.secondText);
    s["levelWord"] = r.levelWord;
    s["subHeader"] = Sub(r.subHeader);
    s["mesh"] = BmshJson(r.mesh);
    return s;
  });
  j["burnTable"] = List(model.burnTable, [](const BurnRecord& r) {
    Json s;
    s["size"] = r.size;
    s["nameLength"] = r.nameLength;
    s["name"] = Text(r.name);
    s["secondLength"] = r.secondLength;
    s["secondText"] = Text(r.secondText);
    s["pointCount"] = r.pointCount;
    s["value2"] = r.value2;
    s["points"] = Points(r.points);
    return s;
  });
  Json navl;
  navl["header"] = Header(model.navlRecord.header);
  navl["value1"] = model.navlRecord.value1;
  navl["navlCount"] = model.navlRecord.navlCount;
  j["navlRecord"] = std::move(navl);
  j["navlTable"] = List(model.navlTable, [](const Navlight& l) {
    Json s;
    s["nameLength"] = l.nameLength;
    s["name"] = Text(l.name);
    s["firstValues"] = Values(l.firstValues);
    s["secondLength"] = l.secondLength;
    s["secondText"] = Text(l.secondText);
    s["secondValues"] = Values(l.secondValues);
    s["trailing"] = Values(l.trailing);
    return s;
  });
  Json dock;
  dock["header"] = Header(model.dockRecord.header);
  dock["value1"] = model.dockRecord.value1;
  j["dockRecord"] = std::move(dock);
  j["dockPathCount"] = model.dockPathCount;
  j["dockPaths"] = List(model.dockPaths, [](const DockPath& p) {
    Json s;
    s["nameLength"] = p.nameLength;
    s["name"] = Text(p.name);
    s["secondLength"] = p.secondLength;
    s["secondText"] = Text(p.secondText);
    s["pathValues"] = Values(p.pathValues);
    s["thirdLength"] = p.thirdLength;
    s["thirdText"] = Text(p.thirdText);
    s["value"] = p.value;
    s["fourthLength"] = p.fourthLength;
    s["fourthText"] = Text(p.fourthText);
    s["pointCount"] = p.pointCount;
    s["points"] = List(p.points, [](const DockPathPoint& point) {
      Json q;
      q["point"] = Point(point.point);
      q["values"] = Values(point.values);
      q["words"] = Values(point.words);
      q["extraWords"] = point.extraWords;
      return q;
    });
    return s;
  });
  j["animTable"] = List(model.animTable, [](const AnimRecord& r) {
    Json s;
    s["header"] = Header(r.header);
    s["value1"] = r.value1;
    s["nameLength"] = r.nameLength;
    s["name"] = Text(r.name);
    s["keyCount"] = r.keyCount;
    s["keys"] = List(r.keys, [](const AnimKey& key) {
      Json k;
      k["time"] = Num(key.time);
      k["values"] = Values(key.values);
      return k;
    });
    s["trailer"] = Values(r.trailer);
    return s;
  });
  j["coldTable"] = List(model.coldTable, [](const ColdRecord& r) {
    Json s;
    s["header"] = Header(r.header);
    s["nameLength"] = r.nameLength;
    s["name"] = Text(r.name);
    s["blockA"] = BlockAJson(r.blockA);
    s["blockB"] = BlockBJson(r.blockB);
    s["tris"] = TriangleSetJson(r.tris);
    return s;
  });
  j["bsrmTable"] = List(model.bsrmTable, [](const BsrmRecord& r) {
    Json s;
    s["header"] = Header(r.header);
    s["subHeader1"] = Sub(r.subHeader1);
    s["id"] = Text(r.id);
    s["value"] = r.value;
    s["nameLength"] = r.nameLength;
    s["name"] = Text(r.name);
    s["meshNameLength"] = r.meshNameLength;
    s["meshName"] = Text(r.meshName);
    s["goblinFlag"] = r.goblinFlag;
    s["subHeader2"] = Sub(r.subHeader2);
    s["blockA"] = BlockAJson(r.blockA);
    s["subHeader3"] = Sub(r.subHeader3);
    s["blockB"] = BlockBJson(r.blockB);
    s["subHeader4"] = Sub(r.subHeader4);
    s["tris"] = TriangleSetJson(r.tris);
    s["subHeader5"] = Sub(r.subHeader5);
    s["vnrm"] = TriangleSetJson(r.vnrm);
    s["ssubHeader"] = Sub(r.ssubHeader);
    s["ssubId"] = Text(r.ssubId);
    s["ssubValue"] = r.ssubValue;
    s["ssubValues"] = Values(r.ssubValues);
    s["hasSSUB"] = r.hasSSUB;
    s["ssubLists"] = List(r.ssubLists, [](const SsubList& list) {
      Json l;
      l["count"] = list.count;
      l["indices"] = Block(list.indices.size(), list.indices.size() * sizeof(int16_t));
      return l;
    });
    return s;
  });
  const BndvRecord& b = model.bndvRecord;
  Json bndv;
  bndv["header"] = Header(b.header);
  bndv["value1"] = b.value1;
  bndv["nameLength"] = b.nameLength;
  bndv["name"] = Text(b.name);
  bndv["secondLength"] = b.secondLength;
  bndv["secondText"] = Text(b.secondText);
  bndv["value2"] = b.value2;
  bndv["cornerA"] = Point(b.cornerA);
  bndv["firstValues"] = Values(b.firstValues);
  bndv["cornerB"] = Point(b.cornerB);
  bndv["secondValues"] = Values(b.secondValues);
  j["bndvRecord"] = std::move(bndv);
  return j;
}

}  // namespace

Json TablesJson(const Model& model) {
  Json tables;
  const HodHeader& head = model.hodHeader;
  Json h;
  h["vers"] = Header(head.vers);
  h["hodVersion"] = head.hodVersion;
  h["name"] = Header(head.name);
  h["hodName"] = Text(head.hodName);
  h["hvmd"] = Header(head.hvmd);
  h["dtrm"] = Header(head.dtrm);
  h["bglt"] = Header(head.bglt);
  h["bgltValue"] = head.bgltValue;
  h["bgms"] = Header(head.bgms);
  tables["hodHeader"] = std::move(h);
  Json summary;
  summary["hasLITE"] = model.hasLITE;
  summary["liteCount"] = model.liteCount;
  summary["hierarchyCount"] = model.hierarchyCount;
  summary["infoWarning"] = model.infoWarning;
  summary["infoWarningText"] = Text(model.infoWarningText);
  summary["infoError"] = model.infoError;
  summary["infoErrorText"] = Text(model.infoErrorText);
  tables["summary"] = std::move(summary);
  Json background;
  background["hasBGMS"] = model.hasBGMS;
  background["hasBGSG"] = model.hasBGSG;
  background["hasSTRF"] = model.hasSTRF;
  Json tablesOfBackground = BackgroundJson(model);
  for (const auto& item : tablesOfBackground.items()) background[item.key()] = std::move(item.value());
  tables["background"] = std::move(background);
  tables["visual"] = VisualJson(model);
  tables["detail"] = DetailJson(model);
  return tables;
}

}  // namespace sq
