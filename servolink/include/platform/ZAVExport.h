#pragma once

// Marks what the link library exports; everything else stays hidden.
#define ZAV_EXPORT __attribute__((visibility("default")))
