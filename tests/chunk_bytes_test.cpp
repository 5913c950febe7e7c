// The shared chunk composer. The byte sweeps change every byte but the payload,
// so the record of which bytes are payload must follow them through nesting.
#include <gtest/gtest.h>

#include <numeric>
#include <vector>

#include "support/chunk_bytes.h"

using namespace sqsupport;

TEST(ChunkBytes, PayloadOffsetsFollowTheBytesIntoChunksWrittenEitherWay) {
  const Bytes inner = Bytes().I32(7).F32(1.5f).F32(2.5f).Zeros(2).Text("ab");
  const Bytes nested = Bytes().Tag("HEAD").Add(Form("TEST", inner)).F64(0.25);
  // HEAD 0-3, FORM 4-7, size 8-11, TEST 12-15; inside: a word, two floats and
  // two zeros (payload 20-29), a counted text; then a double (payload 36-43).
  std::vector<std::size_t> expected(10);
  std::iota(expected.begin(), expected.end(), 20);
  for (std::size_t at = 36; at < 44; ++at) expected.push_back(at);
  EXPECT_EQ(nested.DataOffsets(), expected);

  // A chunk opened in place and closed after its payload is the same chunk.
  Bytes inPlace;
  inPlace.Tag("HEAD");
  const std::size_t sizeAt = inPlace.Open("FORM", "TEST");
  inPlace.Add(inner);
  inPlace.Close(sizeAt);
  inPlace.F64(0.25);
  EXPECT_EQ(inPlace.vec(), nested.vec());
  EXPECT_EQ(inPlace.DataOffsets(), expected);
  EXPECT_EQ(nested.vec()[11], 4 + inner.size());  // the size counts the id and the payload, big-endian
}
