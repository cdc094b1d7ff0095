// How the product comes by its editor: whoever assembles a plug-in (a face's entry, a test
// plug-in, a tool) passes the product a factory, and the product calls it once at the end
// of its construction. The effect owns what it returns; null means no editor.
//
// Threads: the thread that constructs the effect (the host's user-interface thread).
#pragma once

class HvcAuBase;
class HvcEditor;

using EditorFactory = HvcEditor* (*)(HvcAuBase& effect);
