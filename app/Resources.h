#pragma once
// The compiled-in resources (help page, logo, icon) of the static library
// must be registered once before use.
void InitHelixorResources();
