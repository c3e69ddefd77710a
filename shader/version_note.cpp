// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The module's product version as an ELF note, owner "Pellasto", type 1, so
// that inventory tools can read it without loading the module:
//   readelf -n Pellasto.so   ->   Pellasto  0x00000006  NT_VERSION  1.0.0
// (On Windows the version resource does this job.)

#include <cstdint>

#include "pellasto_version.h"

namespace {

constexpr char kOwner[] = "Pellasto";
constexpr std::uint32_t kVersionNoteType = 1;

// Name and description are each padded to four bytes, as notes require.
constexpr std::uint32_t padded(std::uint32_t size) { return (size + 3) / 4 * 4; }

struct VersionNote {
  std::uint32_t owner_size;
  std::uint32_t version_size;
  std::uint32_t type;
  char owner[padded(sizeof kOwner)];
  char version[padded(sizeof PELLASTO_VERSION)];
};

// The ".note" prefix makes the assembler give the section the note type.
[[gnu::section(".note.pellasto.version"), gnu::used,
  gnu::aligned(4)]] const VersionNote version_note = {
    sizeof kOwner, sizeof PELLASTO_VERSION, kVersionNoteType, "Pellasto",
    PELLASTO_VERSION};

}  // namespace
