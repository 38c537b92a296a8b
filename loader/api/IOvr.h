// The interfaces through which a host reads a loaded cache frame.
//
// Both classes cross the library boundary as tables of virtual operations: the order of the
// operations below is part of the binary interface and must never change. Neither class declares
// a destructor; frames are released through the library's exported functions only.
#pragma once

// One named particle group of a frame. Channel numbers run from 0 to 31, of which 0 to 17 are
// defined (0 positions, 1 velocities, 10 the 64-bit particle ids, ...).
class IFumaraPrtGroup {
public:
    // Slot 0: the group name, owned by the group.
    virtual const char* getName() = 0;
    // Slot 1: the number of particles, or 0 when the group has no positions.
    virtual int getCount() = 0;
    // Slot 2: copies getChannelByteSize(channel) bytes of one particle's value to out;
    // 1 on success, 0 when the value is not available. particle must be below getCount().
    virtual int getParticleValue(int particle, int channel, void* out) = 0;
    // Slot 3: 1 when the channel holds data.
    virtual int hasChannel(int channel) = 0;
    // Slot 4: bytes per particle of the channel.
    virtual int getChannelByteSize(int channel) = 0;
    // Slot 5: index of the particle with that id, or -1 when there is none.
    virtual int findParticleById(long long id) = 0;
    // Slot 6: the channel's value type code.
    virtual int getChannelType(int channel) = 0;
    // Slot 7: the channel's number of components.
    virtual int getChannelComponents(int channel) = 0;
};

// One cache frame: a voxel grid of up to 32 float channels and any number of particle groups.
class IOvr {
public:
    // Slot 0: the channel's resolution[0] * resolution[1] * resolution[2] floats (x fastest, then
    // y, then z), expanded on first request; null for a channel outside 0..31 or without data.
    // The array belongs to the frame and stays valid until the frame is destroyed.
    virtual float* getChannelData(int channel) = 0;
    // Slot 1: 1 when the frame stores the channel (or can derive it), else 0.
    virtual int hasChannel(int channel) = 0;
    // Slot 2: copies the voxel counts x, y, z to resolution and returns x.
    virtual int getResolution(int resolution[3]) = 0;
    // Slot 3: copies the world-to-grid map: a 3x3 matrix (rows T0-T2, T3-T5, T6-T8) and an
    // offset (T9-T11); a world position p (row vector) lands at grid coordinates p * A + o.
    virtual void getTransform(float transform[12]) = 0;
    // Slot 4: the number of particle groups that have positions.
    virtual int getParticleGroupCount() = 0;
    // Slot 5: the index-th group among those counted by getParticleGroupCount, or null.
    virtual IFumaraPrtGroup* getParticleGroup(int index) = 0;
    // Slot 6: the first group (with or without positions) of exactly that name, or null.
    virtual IFumaraPrtGroup* findParticleGroup(const char* name) = 0;
};

// ---------------------------------------------------------------------------------------------
// The functions exported by libovrloader: the whole public surface of the library.
//
// Use: optionally createDefaultThreadManager (or a ZUtils::ThreadManager of the host's own);
// initalizeOvraLoader, needed only for OpenVDB (.vdb) and Field3D (.f3d) files, which are read
// through the plug-ins "vdbbridge" and "f3dbridge"; per frame one of the four creating functions,
// reads through IOvr, then deleteIOvr; finalizeOvraLoader; destroyDefaultThreadManager.
// Creating, releasing, initialising and finalising are called from one thread at a time.

#ifdef _WIN32
// loader/library/ovrloader.def lists the exports, under GCC's names and Microsoft's.
#define OVR_EXPORT
#else
#define OVR_EXPORT __attribute__((visibility("default")))
#endif

namespace ZUtils {
class ThreadManager;  // parallel/ThreadManager.h
}

// The 64-bit signed integer of the voxel limits.
typedef long long OvrInt64;

// The library's version, 201216.
OVR_EXPORT unsigned int FumaraSDKGetVersionNumber();

// Loads the plug-ins from the first of the ";"-separated directories that holds
// <name>_<suffix>.so (.dll on Windows; with a null suffix or null directories: <name>[_<suffix>].so
// by the system's library search); option is recorded only. Returns the plug-ins that are ready: 1 "f3dbridge",
// 2 "vdbbridge", 0 none. A plug-in loaded by an earlier call is not loaded again.
OVR_EXPORT int initalizeOvraLoader(const char* pluginDirectories, const char* pluginSuffix, int option);
// The same; then, when a plug-in is ready and threadManager is not null, the library runs its
// parallel work on threadManager and hands it to the plug-ins. 0 when a plug-in refuses it.
// The host keeps the manager alive until the matching finalizeOvraLoader.
OVR_EXPORT int initalizeOvraLoader(const char* pluginDirectories, const char* pluginSuffix, int option,
                                   ZUtils::ThreadManager* threadManager);
// Stops using the thread manager of the last initialisation that registered one and has the
// plug-ins let go of it. The plug-ins stay loaded until the library is unloaded.
OVR_EXPORT void finalizeOvraLoader();

// Opens a frame file (.ovr, .vdb, .f3d; the extension in any case), or null on any failure.
// Frames opened without a voxel limit and not header-only are shared: opening an unchanged file
// again with the same mappings returns the same object with one more reference.
OVR_EXPORT IOvr* newIOvr(const char* path);
// With a voxel limit (-1: none; only OpenVDB files are reduced to it) and/or only the frame's
// description (resolution, transform, channel presence) without its data. Such a frame is never
// shared; each call makes a new one.
OVR_EXPORT IOvr* newIOvrMaxVox(const char* path, OvrInt64 voxelLimit, bool headerOnly);
// With the host's channel mapping string ("%d,%s;" entries: channel number, grid name) instead
// of the default one of the file's channels.
OVR_EXPORT IOvr* newIOvrWithChannelsMapping(const char* path, const char* channelMappings);
OVR_EXPORT IOvr* newIOvrWithChannelsMappingMaxVox(const char* path, const char* channelMappings,
                                                   OvrInt64 voxelLimit, bool headerOnly);
// Releases one reference to a frame made by a creating function; the last one destroys it. A
// frame made with a voxel limit or header-only is destroyed at once. Null, and pointers that
// the library did not hand out (or already destroyed), are ignored.
OVR_EXPORT void deleteIOvr(IOvr* frame);

// The library's own thread pool, or null when it cannot be made; destroy it (only it) with
// destroyDefaultThreadManager after the matching finalizeOvraLoader. Null is ignored.
OVR_EXPORT ZUtils::ThreadManager* createDefaultThreadManager();
OVR_EXPORT void destroyDefaultThreadManager(ZUtils::ThreadManager* threadManager);

// Channel names and mapping strings. Each copies a text into the caller's buffer of bufferSize
// bytes (terminating zero included): nothing for a size below 1, else at most bufferSize - 1
// bytes and a zero. 1 when the whole text fitted, 0 when it was cut; the indexed functions give
// -1 (writing nothing) for an index that is not that of an entry.
//
// The name of the channel at index among the channels of the .vdb/.f3d file (or frame file
// pattern) path, as the initialised plug-ins list them; *flag: 1 for a vector grid component.
OVR_EXPORT int ovrGet3rdPartyChannelName(char* name, int bufferSize, int* flag, const char* path, int index);
// The mapping string of count mappings channels[i] <- names[i].
OVR_EXPORT int ovrComposeChannelMappingsString(char* buffer, int bufferSize, int* channels,
                                               const char* const* names, int count);
// The channel and grid name of the entry at index of a mapping string.
OVR_EXPORT int ovrDecomposeChannelMappingsString(int* channel, char* name, int bufferSize, const char* mappings,
                                                 int index);
// The mapping string that newIOvr uses for path: empty for .ovr files.
OVR_EXPORT int ovrGenerateDefaultChannelMappings(char* buffer, int bufferSize, const char* path);
