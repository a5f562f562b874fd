#pragma once
// What makes a product family's settings page: its fields, where the
// fitting keeps them, and the checks of the family (CSettingsFamily); and
// which family serves a product type or a configuration sheet.

#include "common/FluxaTypes.h"
#include "configdata/DeviceConfig.h"
#include "fitting/EEAddressMap.h"

#include <string>
#include <vector>

class CSettingValues;

enum class SettingKind {
    Flag,     // a check box; the fitting keeps 0 or 1
    Number,   // an edit with "+" and "-", checked against the definition's limits
    Symbolic, // a list of the definition's labels for its values
};

// One value a family's page shows and the fitting keeps.
struct CSettingField {
    const char* szName; // in the product definition, the saved files and the form
    SettingKind eKind;
    EEAddrType eAddrType;
    int nSize;
    // The check box that switches the row's group; a Flag is its own box.
    // nullptr when the group has no box.
    const char* szSwitch = nullptr;
    // The box is kept in this field's byte: 0 means the group is off.
    bool bZeroMeansOff = false;
    // Files of older versions may lack it: loading then keeps the control.
    bool bLoadIfPresent = false;
    // The fitting keeps the value times this (milliseconds for a row in seconds).
    DWORD dwScale = 1;
    // Kept only by this product type of the family (a variant's own value);
    // 0: by every type.
    int nOnlyProductType = 0;
    // The product types whose page shows the row and whose settings
    // fluxa-cli lists; empty: every type that keeps the field. A row not
    // shown is read, written, saved and loaded all the same.
    std::vector<int> shownByTypes = {};
    // A box that is on only at 1: any other byte (say an unprogrammed 0xFF)
    // reads as off.
    bool bOnOnlyAtOne = false;
    // Saving checks the row even when its group is off.
    bool bSaveChecksWhenOff = false;
};

// Whether the fitting's value of a Flag field shows its box on.
bool IsFlagOn(const CSettingField& field, DWORD dwValue);

// A value the fitting gets that no row shows, computed from the others and
// written after them.
struct CDerivedField {
    const char* szName;
    EEAddrType eAddrType;
    int nSize;
    DWORD (*pCompute)(const CSettingValues& values);
};

// A value that needs a newer application of the fitting: the write is
// refused before anything is sent.
struct CVersionRequirement {
    const char* szField;
    // The control's values from this one on need it, whether or not the
    // row's group is on.
    DWORD dwFirstValue;
    bool (*pIsTooOld)(int nMajor, int nMinor);
    // printf formats: a list's label (%s, for a Symbolic row), then major
    // and minor of the version.
    const char* szEnglish;
    const char* szGerman;
};

// What makes a product family's page.
struct CSettingsFamily {
    std::vector<int> productTypes;
    std::vector<std::string> configSheets; // compared exactly, as the pages do
    int nMapProductType;                   // passed to GetEEAddr for the fields
    std::vector<CSettingField> fields;     // in the order they are checked and written
    std::vector<std::string> readOrder;    // field names
    std::vector<std::string> saveOrder;    // field names
    // Field names in the order a file is loaded, which decides the missing
    // entry a failed load names; empty: the save order.
    std::vector<std::string> loadOrder = {};
    std::vector<CDerivedField> derived = {};
    // Refuses a combination of values with -1002 and its message before
    // anything is written; nullptr when the family has none.
    int (*pCrossCheck)(const CSettingValues& values, std::string& strError) = nullptr;
    std::vector<CVersionRequirement> versionRequirements = {}; // in the order they are checked
    int nProgressStep = 5; // the progress bar's step after each item read or written
};

// The family's fields that a product type keeps: a variant leaves out the
// others' own.
std::vector<CSettingField> FieldsOfType(const CSettingsFamily& family, int nProductType);

// The family of a product type's page, or nullptr for no known type.
const CSettingsFamily* FindSettingsFamily(int nProductType);
// The family whose page acts on a configuration sheet (a page is named after
// one of its family's sheets), or nullptr.
const CSettingsFamily* FindSheetFamily(const std::string& strConfigSheet);
// Whether the configuration sheet is one the family's page acts on.
bool IsFamilySheet(const CSettingsFamily& family, const std::string& strConfigSheet);

// A definition whose maximum the fitting cannot hold in its field (say a
// urinal run time above 65 s in two bytes of milliseconds) is refused with
// -1001 naming the setting, before a write could wrap it. Both programs pass
// it to CProductCatalog::LoadDeviceConfigs.
int CheckDefinitionFitsFields(CDeviceConfig& definition, std::string& strError);
