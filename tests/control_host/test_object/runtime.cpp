// A stand-in for an old language runtime that a control needs beside it, as installers deliver
// it; a control built to need it shows what becomes of a control whose runtime is missing.
extern "C" __declspec(dllexport) int runtimeVersion()
{
    return 1;
}
