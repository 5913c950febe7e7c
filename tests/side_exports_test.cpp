// The side exports of a report: every chunk read gets its lines, in reading
// order, also when a later run replaced it in the tables; a walk that fails
// part-way leaves what was read before the failure.
#include <gtest/gtest.h>

#include <map>

#include "report/report_rtf.h"
#include "support/detail_chunks.h"
#include "tests/walk_kit.h"

using namespace sqtest;

namespace {

using Files = std::map<std::string, std::string>;

// A VARY chunk: positions (s, 0, 0) and (0, s, 0); two corners on them; faces on
// corners (0, 1, 1) and (1, 0, lastCorner); one face list. A lastCorner past the
// two corners makes the second face refer to a missing corner.
Bytes SmallVary(std::string_view name, float s, int32_t lastCorner = 1) {
  Bytes body;
  body.Text(name).Text("uv").I32(2).I32(2).I32(2).I32(1).I32(0).F32s({s, 0, 0, 0, s, 0});
  body.I32(1).F32s({0, 0, 1, 0.5f, s}).I32(0);
  body.I32(0).F32s({0, 1, 0, s, 0.25f}).I32(0);
  body.I32(0).I32(0).I32(1).I32(1).I32(0).I32(0).I32(0);
  body.I32(0).I32(1).I32(0).I32(lastCorner).I32(0).I32(0).I32(0);
  body.I16(0).I16(1).I16(4096);
  return TokenItem("VARY", body);
}

Bytes OneLight(std::string_view name, float s) {
  return TokenItem("LITE", Bytes().I32(1).Text(name).I32(1).F32s({s, 0, 0, 0, s, 0, 0, 0, s}).Zeros(8));
}

Bytes Hier(std::string_view names, float x) {
  return HierItem({{std::string(names), {x, 0, 0, 0, 0, 0, 1, 1, 1, x, 0, 0}}});
}

// A walk of `file`, its side files as written to disk and its report.
struct Reported {
  explicit Reported(const Bytes& file) : walk(file) {}
  Walk walk;
  Files sideFiles = FilesIn(walk.dir.path());
  std::string report = sq::BuildReport(walk.model, "m");
};

// The VARY block of a report around its texts, and the two texts of a SmallVary chunk.
std::string VaryBlock(const std::string& texts) {
  return "\\par\r\nParameters of VARY chunks 2 and "
         "4:\\par\r\n=-------------------------------------------------=\\par\r\n" +
         texts + "\\par\r\n";
}
const std::string kCornerText =
    "VARY2: vertex normal indices\\par\r\nmaximum index = 1\r\n\\par\r\nminimum index = 0\r\n\\par\r\n"
    "( # Nuv's = 2 ).\\par\r\n\\par\r\n";
const std::string kListText =
    "VARY4: face lists\\par\r\nmaximum index = 1\\par\r\nminimum index = 0\\par\r\n( # Nuv's = 2 , # faces = 2 "
    ").\\par\r\n";

// Chunks of every kind with side exports read twice or more (VARY "a", "b", "a"), and
// behind an item the walk stops at, bounds and a burn that are not read.
Bytes RunsReadAgain() {
  Bytes visual;
  visual.Add(SmallVary("a", 1)).Add(OneLight("sun", 1)).Add(SmallVary("b", 2)).Add(SmallVary("a", 3));
  visual.Add(OneLight("moon", 2));
  Bytes detail;
  detail.Add(Hier("Root_Root", 1)).Add(EtshItem("T1", {{0, 0, -1}})).Add(EtshItem("T2", {{0, 0, -2, 1, 1, 1}}));
  detail.Add(BurnItem("B1", {0, 0, -3})).Add(BurnItem("B2", {0, 0, -4})).Add(BndvChunk({-1, -1, -1}, {1, 1, 1}));
  detail.Add(Hier("Gun_Root", 2)).Add(EtshItem("T3", {{0, 0, -5}})).Add(BurnItem("B3", {0, 0, -6}));
  detail.Add(BndvChunk({-2, -2, -2}, {2, 2, 2})).Add(Nrml("XXXX", Bytes().I32(0)));
  detail.Add(BndvChunk({-3, -3, -3}, {3, 3, 3})).Add(BurnItem("B9", {9, 9, 9}));
  return Bytes().Add(Vers(512)).Add(Form("HVMD", visual)).Add(Form("DTRM", detail));
}

// What SmallVary(name, s) exports: its face lines up to the first `faces`.
std::string VaryObj(const std::string& name, const std::string& s, int faces = 2) {
  const std::string upToFaces = "\r\ng " + name + "\r\nv " + s + " 0 0\r\nv 0 " + s +
                                " 0\r\n# 2 vertices\r\n\r\nvn 0 0 1\r\nvn 0 1 0\r\n# 2 vertex normals\r\n\r\nvt 0.5 " +
                                s + "\r\nvt " + s + " 0.25\r\n# 2 texture coordinates\r\n\r\nf  2/1/1 1/2/2 1/2/2\r\n";
  return faces == 1 ? upToFaces : upToFaces + "f  1/2/2 2/1/1 1/2/2\r\n# 2 faces\r\n";
}
// A trail or burn group of one point set.
std::string Points(const std::string& name, const std::string& vertexLines, int count = 1) {
  return "\r\ng " + name + "\r\n" + vertexLines + "# " + std::to_string(count) + " vertices\r\n\r\n";
}
// What Hier(names, x) exports to HIER1.obj and HIER2.txt for an object and its parent.
std::string HierSegment(const std::string& names, const std::string& x) {
  return "\r\ng " + names + "\r\nv 0 0 0\r\nv " + x + " 0 0\r\n# 2 vertices\r\nf  1 2 2\r\n# 1 face\r\n\r\n";
}
std::string HierText(const std::string& object, const std::string& parent, const std::string& x) {
  return "      object: " + object + " parent: " + parent +
         "\r\n orientation: 0 0 0\r\n       scale: 1 1 1\r\n'world' pos.: " + x + " 0 0\r\n\r\n";
}

}  // namespace

// Chunks read again in a later run replace the tables' rows; their exports are appended
// in reading order. Memory holds what the disk holds, in the order the walk met the files.
// A VARY face on a missing corner ends its file after the faces before it, and the report
// shows only that chunk's face lists; a trail or burn claiming far more points than follow
// adds nothing, the runs before it stay. The report's texts come from the last chunk that
// reached them: a VARY chunk refused before its face lists leaves the earlier chunk's
// ranges, a marker cut short leaves the earlier marker's separator.
TEST(SideExports, EveryChunkReadIsExportedInReadingOrderAlsoWhenTheWalkFails) {
  const Reported r(RunsReadAgain());
  EXPECT_FALSE(r.walk.result.failed) << r.walk.result.reason;
  EXPECT_TRUE(r.walk.sideFileFailures.empty());
  const std::string bounds = "\r\ng BNDV\r\n";
  const std::string edges =
      "# 8 vertices\r\nf  1 2 2\r\nf  1 3 3\r\nf  1 4 4\r\nf  2 5 5\r\nf  2 6 6\r\nf  4 6 6\r\nf  5 3 3\r\n"
      "f  7 3 3\r\nf  7 4 4\r\nf  8 5 5\r\nf  8 6 6\r\nf  8 7 7\r\n# 12 faces\r\n\r\n";
  const Files expected = {
      {"VARY_a.obj", VaryObj("a", "1") + VaryObj("a", "3")},
      {"VARY_b.obj", VaryObj("b", "2")},
      {"LITEs.OBJ", "\r\ng sun\r\nv 1 0 0\r\nv 0 1 0\r\nv 0 0 1\r\n\r\ng moon\r\nv 2 0 0\r\nv 0 2 0\r\nv 0 0 2\r\n"},
      {"HIER1.obj", HierSegment("Root_Root", "1") + HierSegment("Gun_Root", "2")},
      {"HIER2.txt", HierText("Root", "Root", "1") + HierText("Gun", "Root", "2")},
      {"etshCpoints.obj",
       Points("T1", "v 0 0 -1\r\n") + Points("T2", "v 0 0 -2\r\nv 1 1 1\r\n", 2) + Points("T3", "v 0 0 -5\r\n")},
      {"burn1Cpoints.obj", Points("B1", "v 0 0 -3\r\n") + Points("B3", "v 0 0 -6\r\n")},
      {"burn2Cpoints.obj", Points("B2", "v 0 0 -4\r\n")},
      {"BNDVpoints.obj",
       bounds + "v -1 -1 -1\r\nv 1 -1 -1\r\nv -1 1 -1\r\nv -1 -1 1\r\nv 1 1 -1\r\nv 1 -1 1\r\nv -1 1 1\r\nv 1 1 1\r\n" +
           edges + bounds +
           "v -2 -2 -2\r\nv 2 -2 -2\r\nv -2 2 -2\r\nv -2 -2 2\r\nv 2 2 -2\r\nv 2 -2 2\r\nv -2 2 2\r\nv 2 2 2\r\n" +
           edges},
  };
  EXPECT_EQ(r.sideFiles, expected);
  sq::MemoryFolder memory;
  EXPECT_TRUE(sq::WriteSideExports(r.walk.model, memory).empty());
  Files inMemory;
  for (const std::string& name : memory.Names()) inMemory[name] = *memory.Find(name);
  EXPECT_EQ(inMemory, expected);
  EXPECT_EQ(memory.Names(),
            (std::vector<std::string>{"VARY_a.obj", "LITEs.OBJ", "VARY_b.obj", "HIER1.obj", "HIER2.txt",
                                      "etshCpoints.obj", "burn1Cpoints.obj", "burn2Cpoints.obj", "BNDVpoints.obj"}));
  // The report shows the last VARY chunk's ranges.
  EXPECT_NE(r.report.find(VaryBlock(kCornerText + kListText)), std::string::npos);
  Bytes visual;
  visual.Add(SmallVary("a", 1)).Add(SmallVary("bad", 2, 5));
  const Reported vary(Bytes().Add(Vers(512)).Add(Form("HVMD", visual)).Add(Form("DTRM", Hier("A_B", 1))));
  EXPECT_EQ(vary.walk.result.reason, "VARY face refers to corner 5 of 2");
  EXPECT_EQ(vary.sideFiles, (Files{{"VARY_a.obj", VaryObj("a", "1")}, {"VARY_bad.obj", VaryObj("bad", "2", 1)}}));
  EXPECT_NE(vary.report.find(VaryBlock(kListText)), std::string::npos);
  Bytes detail;
  detail.Add(EtshItem("T1", {{0, 0, -1}})).Add(BurnItem("B1", {0, 0, -3})).Add(Hier("Root_Root", 1));
  detail.Add(EtshItem("T2", {{0, 0, -2}}))
      .Add(TokenItem("ETSH", Bytes().Text("T3").Text("t").I32(1000).F32s({0, 0, 0})));
  const Walk trail(ModelFile(detail));
  EXPECT_TRUE(trail.result.failed);
  EXPECT_EQ(FilesIn(trail.dir.path()),
            (Files{{"etshCpoints.obj", Points("T1", "v 0 0 -1\r\n") + Points("T2", "v 0 0 -2\r\n")},
                   {"burn1Cpoints.obj", Points("B1", "v 0 0 -3\r\n")},
                   {"HIER1.obj", HierSegment("Root_Root", "1")},
                   {"HIER2.txt", HierText("Root", "Root", "1")}}));
  Bytes burns = BurnItem("B1", {0, 0, -3});
  const Walk burn(
      ModelFile(burns.Add(TokenItem("BURN", Bytes().Text("B2").Text("b").I32(1000).I32(7).F32s({0, 0, 0})))));
  EXPECT_TRUE(burn.result.failed);
  EXPECT_EQ(FilesIn(burn.dir.path()), (Files{{"burn1Cpoints.obj", Points("B1", "v 0 0 -3\r\n")}}));
  Bytes refused;
  refused.Add(SmallVary("a", 1)).Tag("VARY").BE32(0).Text("v").Text("w").I32(0x10000000).I32(0).I32(0).I32(0).I32(0);
  const Reported early(Bytes().Add(Vers(512)).Add(Form("HVMD", refused)));
  EXPECT_TRUE(early.walk.result.failed);
  EXPECT_NE(early.report.find(VaryBlock(kCornerText + kListText)), std::string::npos);
  Bytes cut;
  cut.Tag("FORM").BE32(200).Tag("MRKR").Tag("NRML").BE32(0).Tag("MRKR").I32(3).Text("M2").Text("Root").F64(2.5);
  const Reported marker(ModelFile(Bytes().Add(MarkerForm("M1", 1.5)).Add(cut)));
  EXPECT_TRUE(marker.walk.result.failed);
  EXPECT_NE(marker.report.find("Separator with marker 'M1' ( 1th ) is unequal to zero: 1.5"), std::string::npos);
  EXPECT_EQ(marker.report.find("'M2'"), std::string::npos);
}

// Side files that folders stand in the way of: the report and the other side files are
// written whole all the same; each failed file gets one line on stderr, however many chunks
// would have gone to it (two trails here), and the status is 1. In a batch the file counts
// as one with errors.
TEST(SideExportsCli, UnwritableSideFilesAreNamedAndTheStatusIsOne) {
  TempDir dir;
  const auto hod = dir / "ship.hod";
  WriteBytes(
      hod,
      ModelFile(Bytes().Add(Hier("Root_Root", 1)).Add(EtshItem("T1", {{0, 0, -1}})).Add(EtshItem("T2", {{0, 0, -2}}))));
  const auto clean = dir / "clean", out = dir / "out";
  ProcessResult r = Starquill({"report", hod.string(), "--out-dir", clean.string()}, dir);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.err, "");
  std::filesystem::create_directories(out / "HIER1.obj");
  std::filesystem::create_directories(out / "etshCpoints.obj");
  r = Starquill({"report", hod.string(), "--out-dir", out.string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, (out / "ship.HODreport.rtf").string() + "\n");
  EXPECT_EQ(r.err, "starquill report: side file not written: cannot open " + (out / "HIER1.obj").string() +
                       ": Is a directory\n"
                       "starquill report: side file not written: cannot open " +
                       (out / "etshCpoints.obj").string() + ": Is a directory\n");
  EXPECT_EQ(ReadText(out / "ship.HODreport.rtf"), ReadText(clean / "ship.HODreport.rtf"));
  EXPECT_EQ(ReadText(out / "HIER2.txt"), ReadText(clean / "HIER2.txt"));
  const auto second = dir / "second.hod";
  std::filesystem::copy_file(hod, second);
  std::filesystem::create_directories(out / "ship" / "HIER1.obj");
  r = Starquill({"report", hod.string(), second.string(), "--out-dir", out.string()}, dir);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, hod.string() + ": starquill report: side file not written: cannot open " +
                       (out / "ship" / "HIER1.obj").string() +
                       ": Is a directory\n2 files: 0 clean, 1 with warnings, 1 with errors, 0 unreadable\n");
}
