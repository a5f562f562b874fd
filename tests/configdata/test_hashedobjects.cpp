#include "configdata/HashedObjects.h"
#include "LanguageGuard.h"

#include <gtest/gtest.h>

namespace {

struct Named {
    std::string strName;
    int nValue = 0;
    std::string GetName() const { return strName; }
};

// Assignment fails as an exhausted heap would.
struct Exhausting {
    std::string strName;
    std::string GetName() const { return strName; }
    Exhausting& operator=(const Exhausting&) { throw std::bad_alloc(); }
};

class HashedObjects : public ::testing::Test {
protected:
    LanguageGuard m_english{kLanguageEnglish};
    CHashedObjects<Named> m_registry;
    std::string m_strError;
};

} // namespace

TEST_F(HashedObjects, FindsByNormalisedNameAndKeepsNameAsWritten)
{
    ASSERT_EQ(m_registry.AddObjectByName(Named{"Baudrate", 1}, m_strError), 0);
    Named* pFound = nullptr;
    ASSERT_EQ(m_registry.LookupObjectByName(" BAUDRATE\t", pFound, MustExist, m_strError), 0);
    ASSERT_NE(pFound, nullptr);
    EXPECT_EQ(pFound->strName, "Baudrate");
    EXPECT_EQ(pFound->nValue, 1);
}

TEST_F(HashedObjects, RefusesDuplicateWithLowerCasedTrimmedName)
{
    ASSERT_EQ(m_registry.AddObjectByName(Named{"Baudrate", 1}, m_strError), 0);
    EXPECT_EQ(m_registry.AddObjectByName(Named{"  BAUDRATE ", 2}, m_strError), -1001);
    EXPECT_EQ(m_strError, "CHashedObjects::LookupObjectByName: The object with the name (baudrate) is allready known.");
    EXPECT_EQ(m_registry.GetCount(), 1);

    LanguageGuard german(kLanguageGerman);
    EXPECT_EQ(m_registry.AddObjectByName(Named{"baudRate", 2}, m_strError), -1001);
    EXPECT_EQ(m_strError, "CHashedObjects::LookupObjectByName: Das Objekt mit dem Namen (baudrate) existiert bereits.");
}

TEST_F(HashedObjects, RefusesEmptyNames)
{
    for (const char* name : {"", " \t\r\n"}) {
        EXPECT_EQ(m_registry.AddObjectByName(Named{name}, m_strError), -1001);
        EXPECT_EQ(m_strError, "CHashedObjects::ConvertNameToHashtableName: The given name can't be empty.");
    }
    EXPECT_EQ(m_registry.GetCount(), 0);
}

TEST_F(HashedObjects, LookupModes)
{
    Named* pFound = reinterpret_cast<Named*>(1);
    EXPECT_EQ(m_registry.LookupObjectByName("absent", pFound, MustNotExist, m_strError), 0);
    EXPECT_EQ(pFound, nullptr);
    EXPECT_EQ(m_registry.LookupObjectByName("Absent ", pFound, MustExist, m_strError), -1001);
    EXPECT_EQ(m_strError, "CHashedObjects::LookupObjectByName: The object with the name (Absent ) is not known");
}

TEST_F(HashedObjects, IndexAccessInInsertionOrderAndBounds)
{
    for (const char* name : {"c", "a", "b"})
        ASSERT_EQ(m_registry.AddObjectByName(Named{name}, m_strError), 0);
    Named out;
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(m_registry.GetObjectByIndex(i, out, m_strError), 0);
        EXPECT_EQ(out.strName, std::string(1, "cab"[i]));
    }
    for (int bad : {-1, 3}) {
        EXPECT_EQ(m_registry.GetObjectByIndex(bad, out, m_strError), -1001);
        EXPECT_EQ(m_strError, FormatText("CHashedObjects::GetObjectByIndex: The index (%d) is not valid", bad));
    }
}

TEST_F(HashedObjects, OwnsPointerOnSuccessOnly)
{
    auto* pOwned = new Named{"x", 7};
    ASSERT_EQ(m_registry.AddObjectByName(pOwned, m_strError), 0);
    Named* pFound = nullptr;
    ASSERT_EQ(m_registry.LookupObjectByName("X", pFound, MustExist, m_strError), 0);
    EXPECT_EQ(pFound, pOwned); // the object itself, not a copy

    Named refused{"X"};
    EXPECT_EQ(m_registry.AddObjectByName(&refused, m_strError), -1001); // caller keeps it (stack object: no double free)
}

TEST_F(HashedObjects, CopyIsDeepOrderedAndSelfCopySafe)
{
    for (const char* name : {"z", "y"})
        ASSERT_EQ(m_registry.AddObjectByName(Named{name, 1}, m_strError), 0);
    CHashedObjects<Named> copy(m_registry);
    Named* pFound = nullptr;
    ASSERT_EQ(copy.LookupObjectByName("z", pFound, MustExist, m_strError), 0);
    pFound->nValue = 99;
    Named original;
    ASSERT_EQ(m_registry.GetObjectByIndex(0, original, m_strError), 0);
    EXPECT_EQ(original.strName, "z");
    EXPECT_EQ(original.nValue, 1);
    ASSERT_EQ(copy.GetObjectByIndex(1, original, m_strError), 0);
    EXPECT_EQ(original.strName, "y");

    copy.CopyFrom(copy);
    EXPECT_EQ(copy.GetCount(), 2);
    copy = m_registry;
    ASSERT_EQ(copy.LookupObjectByName("z", pFound, MustExist, m_strError), 0);
    EXPECT_EQ(pFound->nValue, 1);
}

TEST_F(HashedObjects, MemoryExhaustionIsReportedAndLeavesRegistryUnchanged)
{
    CHashedObjects<Exhausting> registry;
    EXPECT_EQ(registry.AddObjectByName(Exhausting{"a"}, m_strError), -1005);
    EXPECT_EQ(m_strError, "Call to function (CHashedObjects::AddObjectByName) crashed with an exception. "
                          "The system reports the error message (std::bad_alloc)");
    EXPECT_EQ(registry.GetCount(), 0);
}
