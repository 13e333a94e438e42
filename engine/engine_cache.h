// The engine cache of an installed product: written after a successful installation or
// advertisement, removed after a successful removal, and its variables refreshed at the end of
// every run.
#pragma once

namespace quillset::engine {

class Engine;

// After "Apply Changes" ended with "COMPLETE" or "REBOOT"; install and remove are its
// parameters 3 and 4. Removal when only remove is true; otherwise the cache folder receives the
// engine, its package, resources and data files, and the product is registered; the
// advertisement marker "__ad" exists afterwards exactly when neither is true.
void WriteEngineCache(Engine& engine, bool install, bool remove);

// The cache folder and the product's registration go. A folder that cannot be deleted (its
// engine still running) is moved aside to "~N" beside it.
void RemoveEngineCache(Engine& engine);

// The product's engine cache folder holds the advertisement marker "__ad".
bool HasAdvertisementMarker(Engine& engine);

// The end of a run, unless the cache was removed: the installed data folder is hidden and
// compressed as set, and its ".dat" is written in full after an installation, else its
// variables are refreshed when it exists.
void WriteEngineCacheAtEnd(Engine& engine);

}  // namespace quillset::engine
