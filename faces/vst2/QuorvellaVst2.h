// Quorvella as a VST 2.4 plug-in: the product (HvcQuorvella) behind the face, with the
// record's fixed answers (unique ID 'HCwb', two inputs and two outputs, mono-capable) and
// the editor that editorFactory makes (none when null). The plug-in's entry and the test
// plug-ins (with editors of their own) are made through it.
//
// Threads: the host thread that calls the entry.
#pragma once

#include "faces/vst2/Vst2Effect.h"
#include "framework/EditorFactory.h"

Vst2Effect* createQuorvellaVst2(audioMasterCallback audioMaster, EditorFactory editorFactory);
