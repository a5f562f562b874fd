#pragma once
#include <string>

// Text of a stored error code for the product type (1..7) in the current
// language, preceded by " - "; empty for a code the product's table does not
// list (0 marks an empty entry). 0 on success, -1001 with the message for an
// unknown product type.
int DeCodeErrorHistory(const int& nProductType, const unsigned int& nErrorCode, std::string& strText, std::string& strError);
