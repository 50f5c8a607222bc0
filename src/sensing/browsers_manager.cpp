#include "sensing/browsers_manager.h"

#include <memory>
#include <new>

#include "sensing/browser_readers.h"

namespace {
// The address limit handed to the readers; the working buffer has room for
// a terminator and one spare character.
constexpr int kAddressLimit = 512;
}  // namespace

int CBrowsersManager::FindURL(CProcess& process, CBrowserBase& holder) {
    // Allocated only once a reader claims the process: most captures need none.
    std::unique_ptr<char[]> buffer;
    // 1 the reader read an address into the holder; 0 it read none; -4 no memory.
    auto read = [&](CBrowserBase& reader) {
        if (!buffer) buffer.reset(new (std::nothrow) char[kAddressLimit + 2]());
        if (!buffer) return -4;
        if (reader.ReadURL(process, buffer.get(), kAddressLimit) != 1) return 0;
        holder.SetURL(buffer.get(), kAddressLimit);
        return 1;
    };

    m_askedBrowser = false;
    m_foundBrowser = false;
    CIEBrowser ie;
    CFirefoxBrowser firefox;
    CChromeBrowser chrome;
    COperaBrowser opera;
    CYandexBrowser yandex;
    for (CBrowserReader* reader : {static_cast<CBrowserReader*>(&ie), static_cast<CBrowserReader*>(&firefox),
                                   static_cast<CBrowserReader*>(&chrome), static_cast<CBrowserReader*>(&opera),
                                   static_cast<CBrowserReader*>(&yandex)}) {
        if (reader->IsBrowserProcess(process) != 1) continue;
        m_foundBrowser = true;
        const int result = read(*reader);
        m_askedBrowser = reader->AskedBrowser();
        if (result != 0) return result;
        break;  // the later named readers are not asked
    }
    CExtensionBrowser extension;
    if (extension.IsBrowserProcess(process) != 1) return 0;
    m_foundBrowser = true;
    return read(extension);
}
