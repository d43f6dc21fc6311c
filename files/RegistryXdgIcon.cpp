// The program icon, the same text as resources/icons/helixor.svg (a test
// compares them), so that the association needs no file of its own.
#include "files/RegistryXdg.h"

const char* const HelixorIconSvg = R"svg(<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64" viewBox="0 0 64 64">
  <rect width="64" height="64" rx="6" fill="#000000"/>
  <g stroke="#ffffff" stroke-width="2.5" stroke-linecap="round" fill="none">
    <path d="M32 38 V7"/>
    <path d="M32 38 L8 52"/>
    <path d="M32 38 L56 52"/>
  </g>
  <path d="M6 32 C12 12 18 12 24 30 C30 48 36 48 42 30 C48 12 52 12 58 26" stroke="#ff0000" stroke-width="4" stroke-linecap="round" fill="none"/>
</svg>
)svg";
