// SPDX-FileCopyrightText: 2026 The Pellasto developers
// SPDX-License-Identifier: Apache-2.0
// The five entry names, one of them stdcall: on 32-bit x86 its export gets the
// "@n" decoration a host binding by plain name would not find. (Declared here
// rather than taken from the module's header, which says cdecl.)
#include "host/host_interface.h"

struct FrameParams;

// Never called by anyone: only the export table of this DLL is read, by the
// check, and nothing is handed over.
extern "C" {
__declspec(dllexport) Boolean Pellasto(Color*, RenderState*, FrameParams*) { return 1; }
__declspec(dllexport) int Pellasto_version(void) { return 1; }
__declspec(dllexport) void Pellasto_init(RenderState*, FrameParams*, Boolean*) {}
__declspec(dllexport) void __stdcall Pellasto_exit(RenderState*, FrameParams*) {}
__declspec(dllexport) int miSetModuleHandle(void*) { return 0; }
}
