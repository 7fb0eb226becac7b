#pragma once

namespace ferlane::page {

// Runs a small set through the page's run, so that the browser compiles its hot
// loops to fast code before the first real set arrives: a browser first runs new
// WebAssembly through a quick compiler whose code is several times slower, and
// replaces it only once a loop has proved hot.
void warmUp();

}  // namespace ferlane::page
