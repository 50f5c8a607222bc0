#include "sensing/browsers_manager.h"

#include <memory>
#include <new>

#include "sensing/browser_readers.h"

namespace {
// The address limit handed to the readers; the working buffer has room for
// a terminator and one spare character.
constexpr int kAddressLimit = 512;

// 1 the reader read an address into the holder; 0 it read none; -4 no memory.
int ReadInto(CBrowserBase& reader, CProcess& process, CBrowserBase& holder) {
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kAddressLimit + 2]());
    if (!buffer) return -4;
    if (reader.ReadURL(process, buffer.get(), kAddressLimit) != 1) return 0;
    holder.SetURL(buffer.get(), kAddressLimit);
    return 1;
}
}  // namespace

int CBrowsersManager::FindURL(CProcess& process, CBrowserBase& holder) {
    CIEBrowser ie;
    CFirefoxBrowser firefox;
    CChromeBrowser chrome;
    COperaBrowser opera;
    CYandexBrowser yandex;
    for (CBrowserBase* reader :
         {static_cast<CBrowserBase*>(&ie), static_cast<CBrowserBase*>(&firefox), static_cast<CBrowserBase*>(&chrome),
          static_cast<CBrowserBase*>(&opera), static_cast<CBrowserBase*>(&yandex)}) {
        if (reader->IsBrowserProcess(process) != 1) continue;
        const int read = ReadInto(*reader, process, holder);
        if (read != 0) return read;
        break;  // the later named readers are not asked
    }
    CExtensionBrowser extension;
    return extension.IsBrowserProcess(process) == 1 ? ReadInto(extension, process, holder) : 0;
}
