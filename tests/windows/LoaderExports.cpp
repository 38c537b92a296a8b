#include "tests/windows/LoaderExports.h"

#include "tests/windows/WindowsTestSupport.h"

#include <string>

const ExportNames kLoaderExports[15] = {
    {"?FumaraSDKGetVersionNumber@@YAIXZ", "_Z25FumaraSDKGetVersionNumberv"},
    {"?initalizeOvraLoader@@YAHPEBD0H@Z", "_Z19initalizeOvraLoaderPKcS0_i"},
    {"?initalizeOvraLoader@@YAHPEBD0HPEAVThreadManager@ZUtils@@@Z",
     "_Z19initalizeOvraLoaderPKcS0_iPN6ZUtils13ThreadManagerE"},
    {"?finalizeOvraLoader@@YAXXZ", "_Z18finalizeOvraLoaderv"},
    {"?newIOvr@@YAPEAVIOvr@@PEBD@Z", "_Z7newIOvrPKc"},
    {"?newIOvrMaxVox@@YAPEAVIOvr@@PEBD_J_N@Z", "_Z13newIOvrMaxVoxPKcxb"},
    {"?newIOvrWithChannelsMapping@@YAPEAVIOvr@@PEBD0@Z", "_Z26newIOvrWithChannelsMappingPKcS0_"},
    {"?newIOvrWithChannelsMappingMaxVox@@YAPEAVIOvr@@PEBD0_J_N@Z", "_Z32newIOvrWithChannelsMappingMaxVoxPKcS0_xb"},
    {"?deleteIOvr@@YAXPEAVIOvr@@@Z", "_Z10deleteIOvrP4IOvr"},
    {"?createDefaultThreadManager@@YAPEAVThreadManager@ZUtils@@XZ", "_Z26createDefaultThreadManagerv"},
    {"?destroyDefaultThreadManager@@YAXPEAVThreadManager@ZUtils@@@Z",
     "_Z27destroyDefaultThreadManagerPN6ZUtils13ThreadManagerE"},
    {"?ovrGet3rdPartyChannelName@@YAHPEADHPEAHPEBDH@Z", "_Z25ovrGet3rdPartyChannelNamePciPiPKci"},
    {"?ovrComposeChannelMappingsString@@YAHPEADHPEAHPEBQEBDH@Z", "_Z31ovrComposeChannelMappingsStringPciPiPKPKci"},
    {"?ovrDecomposeChannelMappingsString@@YAHPEAHPEADHPEBDH@Z", "_Z33ovrDecomposeChannelMappingsStringPiPciPKci"},
    {"?ovrGenerateDefaultChannelMappings@@YAHPEADHPEBD@Z", "_Z33ovrGenerateDefaultChannelMappingsPciPKc"},
};

namespace {

template <class Function>
bool resolve(HMODULE module, const char* name, Function& function) {
    function = reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
    return function != nullptr;
}

}  // namespace

LoaderLibrary::LoaderLibrary() {
    const std::string path = programDirectory() + "ovrloader.dll";
    module_ = LoadLibraryA(path.c_str());
    if (module_ == nullptr) return;
    LoaderExports& e = exports_;
    const ExportNames* n = kLoaderExports;
    complete_ = resolve(module_, n[0].microsoft, e.FumaraSDKGetVersionNumber) &
                resolve(module_, n[1].microsoft, e.initalizeOvraLoader) &
                resolve(module_, n[2].microsoft, e.initalizeOvraLoaderWithManager) &
                resolve(module_, n[3].microsoft, e.finalizeOvraLoader) & resolve(module_, n[4].microsoft, e.newIOvr) &
                resolve(module_, n[5].microsoft, e.newIOvrMaxVox) &
                resolve(module_, n[6].microsoft, e.newIOvrWithChannelsMapping) &
                resolve(module_, n[7].microsoft, e.newIOvrWithChannelsMappingMaxVox) &
                resolve(module_, n[8].microsoft, e.deleteIOvr) &
                resolve(module_, n[9].microsoft, e.createDefaultThreadManager) &
                resolve(module_, n[10].microsoft, e.destroyDefaultThreadManager) &
                resolve(module_, n[11].microsoft, e.ovrGet3rdPartyChannelName) &
                resolve(module_, n[12].microsoft, e.ovrComposeChannelMappingsString) &
                resolve(module_, n[13].microsoft, e.ovrDecomposeChannelMappingsString) &
                resolve(module_, n[14].microsoft, e.ovrGenerateDefaultChannelMappings);
}

LoaderLibrary::~LoaderLibrary() {
    if (module_ != nullptr) FreeLibrary(module_);
}
