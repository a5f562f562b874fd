#pragma once
// CHashedObjects<T>: an owning, lock-protected registry of named objects. It
// finds an object by name without regard to letter case and surrounding white
// space and keeps the objects in the order they were added.

#include "common/Language.h"
#include "common/ResultCodes.h"
#include "common/TextFormat.h"

#include <memory>
#include <mutex>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

// The name an object is registered under. Classes whose key is not GetName()
// (a product definition is keyed by its article number) specialise this.
template <class T>
std::string HashedObjectName(const T& object)
{
    return object.GetName();
}

enum LookupMode { MustNotExist = 0, MustExist = 1 };

template <class T>
class CHashedObjects {
public:
    CHashedObjects() = default;
    CHashedObjects(const CHashedObjects& other) { CopyFrom(other); }
    CHashedObjects& operator=(const CHashedObjects& other) { return CopyFrom(other); }
    virtual ~CHashedObjects() { RemoveAll(); }

    // Lower-cases and trims the name in place; an empty result is refused.
    virtual int ConvertNameToHashtableName(std::string& strName, std::string& strError)
    {
        strName = TrimWhiteSpace(ToLowerAscii(strName));
        if (!strName.empty())
            return Result::Ok;
        strError = FormatText(PickText("%s: The given name can't be empty.", "%s: Der Name des Objektes darf nicht leer sein."),
                              "CHashedObjects::ConvertNameToHashtableName");
        return Result::InvalidArgument;
    }

    virtual int GetCount()
    {
        std::lock_guard<std::recursive_mutex> lock(m_csLock);
        return static_cast<int>(m_List.size());
    }

    // Stores the object itself. On success the registry owns it; on failure
    // the caller still does.
    virtual int AddObjectByName(T* pObject, std::string& strError)
    {
        return Add(pObject, nullptr, strError);
    }

    // Stores a new copy of the object.
    virtual int AddObjectByName(const T& object, std::string& strError)
    {
        return Add(nullptr, &object, strError);
    }

    // pFound points at the stored object itself; it stays valid until the
    // registry is emptied. bLock = 0 when the caller already holds the lock.
    virtual int LookupObjectByName(const std::string& strName, T*& pFound, LookupMode mode, std::string& strError,
                                   int bLock = 1)
    {
        std::string strKey = strName;
        const int nResult = ConvertNameToHashtableName(strKey, strError);
        if (nResult != Result::Ok)
            return nResult;
        std::unique_lock<std::recursive_mutex> lock(m_csLock, std::defer_lock);
        if (bLock == 1)
            lock.lock();
        const auto it = m_Map.find(strKey);
        if (it != m_Map.end()) {
            if (mode == MustNotExist)
                return ReportKnown(strName, strError);
            pFound = it->second;
            return Result::Ok;
        }
        if (mode == MustExist) {
            strError = FormatText(PickText("%s: The object with the name (%s) is not known",
                                           "%s: Das Objekt mit dem Namen (%s) existiert nicht"),
                                  "CHashedObjects::LookupObjectByName", strName.c_str());
            return Result::InvalidArgument;
        }
        pFound = nullptr;
        return Result::Ok;
    }

    // Empties this registry and fills it with copies of the other's objects,
    // in their order.
    virtual CHashedObjects& CopyFrom(const CHashedObjects& other)
    {
        if (&other == this) // copying onto itself would first delete the source
            return *this;
        RemoveAll();
        std::scoped_lock lock(m_csLock, other.m_csLock);
        for (const auto& pSource : other.m_List) {
            auto pCopy = std::make_unique<T>();
            *pCopy = *pSource;
            std::string strKey = HashedObjectName(*pCopy);
            std::string strIgnored;
            ConvertNameToHashtableName(strKey, strIgnored);
            m_Map[strKey] = pCopy.get();
            m_List.push_back(std::move(pCopy));
        }
        return *this;
    }

    virtual int GetObjectByIndex(const int& nIndex, T& out, std::string& strError)
    {
        std::lock_guard<std::recursive_mutex> lock(m_csLock);
        if (nIndex < 0 || nIndex >= static_cast<int>(m_List.size())) {
            strError = FormatText(PickText("%s: The index (%d) is not valid", "%s: Der Index (%d) ist nicht gültig"),
                                  "CHashedObjects::GetObjectByIndex", nIndex);
            return Result::InvalidArgument;
        }
        out = *m_List[static_cast<std::size_t>(nIndex)];
        return Result::Ok;
    }

    virtual void Lock() { m_csLock.lock(); }
    virtual void Unlock() { m_csLock.unlock(); }

    void RemoveAll()
    {
        std::lock_guard<std::recursive_mutex> lock(m_csLock);
        m_Map.clear();
        m_List.clear();
    }

private:
    static int ReportKnown(const std::string& strName, std::string& strError)
    {
        strError = FormatText(PickText("%s: The object with the name (%s) is allready known.",
                                       "%s: Das Objekt mit dem Namen (%s) existiert bereits."),
                              "CHashedObjects::LookupObjectByName", strName.c_str());
        return Result::InvalidArgument;
    }

    int Add(T* pOwned, const T* pToCopy, std::string& strError)
    {
        std::lock_guard<std::recursive_mutex> lock(m_csLock);
        std::string strKey = HashedObjectName(pOwned != nullptr ? *pOwned : *pToCopy);
        if (ConvertNameToHashtableName(strKey, strError) != Result::Ok)
            return Result::InvalidArgument;
        if (m_Map.contains(strKey))
            return ReportKnown(strKey, strError);
        try {
            std::unique_ptr<T> pObject;
            if (pOwned == nullptr) {
                pObject = std::make_unique<T>();
                *pObject = *pToCopy;
            }
            // Reserve first: once the map holds the entry, appending cannot fail,
            // and a failure before leaves the registry unchanged.
            if (m_List.size() == m_List.capacity())
                m_List.reserve(m_List.empty() ? 8 : 2 * m_List.size());
            m_Map.emplace(strKey, pOwned != nullptr ? pOwned : pObject.get());
            m_List.push_back(pOwned != nullptr ? std::unique_ptr<T>(pOwned) : std::move(pObject));
        } catch (const std::bad_alloc& e) {
            strError = FormatText(PickText("Call to function (%s) crashed with an exception.",
                                           "Unerwartete Ausnahme ausgelöst durch den Funktionsaufruf (%s)."),
                                  "CHashedObjects::AddObjectByName");
            AppendSystemMessage(strError, e.what());
            return Result::LibraryException;
        }
        return Result::Ok;
    }

    std::unordered_map<std::string, T*> m_Map; // normalised name -> object
    std::vector<std::unique_ptr<T>> m_List;   // owns the objects, insertion order
    mutable std::recursive_mutex m_csLock;
};
