#pragma once
// The urinal and WC flush controls (product types 4 and 5): one map, the
// WC with a flush volume, the urinal with a flush time and three functions
// of its own.

#include "pages/SettingsModel.h"

const CSettingsFamily& UrinalWcFamily();
