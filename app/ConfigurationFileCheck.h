#pragma once
// A saved configuration read and checked whole before the window takes it:
// its file, the product definition its article number names, its product
// type, and every value against the settings page that would show it.

#include <QString>

#include <string>

class CDeviceConfig;
class CDisplayDialogHandler;
class CProductCatalog;
class CToolConfigXML;

// Reads the file and checks it against the product its article number names
// and that product's page; nothing of the window changes. 0, or the failure
// with a message naming the file.
int ReadConfigurationFor(const QString& path, CProductCatalog& catalog, const CDisplayDialogHandler& pages, CToolConfigXML& file,
                         CDeviceConfig& definition, std::string& strError);
