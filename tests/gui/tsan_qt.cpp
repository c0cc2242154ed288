// The Qt libraries are not built with ThreadSanitizer: the threads Qt starts
// for itself (image conversion, file listing) hand memory over through
// synchronisation the checker cannot see. Memory calls made from inside Qt
// are left out of its view; this program's own code stays fully checked.

#if defined(__SANITIZE_THREAD__)
extern "C" const char* __tsan_default_suppressions() {
  return "called_from_lib:libQt6Core.so.6\n"
         "called_from_lib:libQt6Gui.so.6\n"
         "called_from_lib:libQt6Widgets.so.6\n"
         "called_from_lib:libQt6Svg.so.6\n";
}
#endif
