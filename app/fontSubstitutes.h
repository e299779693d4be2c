#pragma once

// The form and the keyboard page name their font "微软雅黑" (Microsoft YaHei),
// which only Windows ships. Elsewhere the font matcher falls back to a wide
// Latin face, and the texts of the top bar run into each other. Point the name
// at the closest faces a Linux desktop carries; where the real font exists,
// it is found first.
void installFontSubstitutes();
