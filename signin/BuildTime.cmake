# Run with -P at every build: writes the source that records when this build
# was made, so the title of a non-Windows build can show it.
# In: OUTPUT, the file to write (in the build tree).
string(TIMESTAMP seconds "%s" UTC)
file(WRITE "${OUTPUT}"
  "// Written by BuildTime.cmake at every build.\n"
  "namespace qor::detail {\n"
  "extern const long long buildSecondsSinceEpoch = ${seconds};\n"
  "}\n")
