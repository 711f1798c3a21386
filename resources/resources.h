#pragma once

// Registers the compiled-in pictures; the library is static, so nothing does it on
// its own. Safe to call more than once.
void initTavrelResources();
