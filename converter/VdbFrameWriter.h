// Writes one cache frame as an OpenVDB file.
#pragma once

class IOvr;

// Writes the frame's smoke, temperature and fuel channels and its whole velocity and colour
// triples as float grids, with the frame's transform inverted to index-to-world and the file
// metadata "FumaraVDBVer" = 0. The frame is only read. Returns 0 on success; 1 when a channel the
// frame reports present cannot be obtained (no file is written); 2 when the file cannot be
// written or the grids cannot be built (out of memory, a transform that cannot be inverted).
int writeVDBFrame(const char* path, IOvr* frame);
