#pragma once
// The basin faucet family (product types 3, 6 and 7).

#include "pages/SettingsModel.h"

const CSettingsFamily& FaucetFamily();
