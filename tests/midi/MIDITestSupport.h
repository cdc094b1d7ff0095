// What the MIDI scripting and settings tests use: event blocks, and the shared test support
// (temporary XDG folders, files, capture of the standard streams) under short names.
#pragma once

#include "EventBlock.h"
#include "support/ScopedEnv.h"
#include "support/StreamCapture.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"
#include "support/UserEnvironment.h"

namespace miditest {

using testsupport::entryExists;
using testsupport::makeFolders;
using testsupport::readFile;
using testsupport::ScopedEnv;
using testsupport::StreamCapture;
using testsupport::TempFolder;
using testsupport::UserEnvironment;
using testsupport::writeFile;

}  // namespace miditest
