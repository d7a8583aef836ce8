// libcurl for the kaplo program, loaded when a command first uses it. Mapping
// libcurl and the TLS, Kerberos and LDAP libraries it pulls in costs several
// times what a whole `kaplo tosjis` does, so the text commands never pay it.
//
// The program links these definitions ahead of libcurl and with --as-needed,
// so libcurl.so.4 is not among its start-up libraries. A libcurl function the
// core begins to use without a line here is linked directly again; the
// headless-start test (readelf) notices.
#define CURL_DISABLE_TYPECHECK
#include <curl/curl.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>

namespace {

void* Library() {
  static void* const lib = [] {
    void* h = dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!h) {
      std::fprintf(stderr, "kaplo: cannot load libcurl: %s\n", dlerror());
      std::fflush(stderr);
      _exit(1);
    }
    return h;
  }();
  return lib;
}

template <typename Fn>
Fn Symbol(Fn, const char* name) {
  void* p = dlsym(Library(), name);
  if (!p) {
    std::fprintf(stderr, "kaplo: libcurl has no %s\n", name);
    std::fflush(stderr);
    _exit(1);
  }
  return reinterpret_cast<Fn>(p);
}

// The real function of the same name and type, looked up once.
#define REAL(name) static const auto real = Symbol(&::name, #name)

// An option's type follows from its number: libcurl reads the one argument
// after it as a long, a pointer, a function pointer or a curl_off_t.
template <typename Handle, typename Option, typename Result>
Result SetOption(Result (*real)(Handle*, Option, ...), Handle* h, Option option, va_list ap) {
  const long n = static_cast<long>(option);
  if (n < CURLOPTTYPE_OBJECTPOINT) return real(h, option, va_arg(ap, long));
  if (n < CURLOPTTYPE_FUNCTIONPOINT) return real(h, option, va_arg(ap, void*));
  if (n < CURLOPTTYPE_OFF_T) return real(h, option, va_arg(ap, void (*)()));
  if (n < CURLOPTTYPE_BLOB) return real(h, option, va_arg(ap, curl_off_t));
  return real(h, option, va_arg(ap, void*));
}

}  // namespace

extern "C" {

CURLcode curl_global_init(long flags) {
  REAL(curl_global_init);
  return real(flags);
}

CURL* curl_easy_init(void) {
  REAL(curl_easy_init);
  return real();
}

CURLcode curl_easy_setopt(CURL* curl, CURLoption option, ...) {
  REAL(curl_easy_setopt);
  va_list ap;
  va_start(ap, option);
  const CURLcode rc = SetOption(real, curl, option, ap);
  va_end(ap);
  return rc;
}

CURLcode curl_easy_getinfo(CURL* curl, CURLINFO info, ...) {
  REAL(curl_easy_getinfo);
  va_list ap;
  va_start(ap, info);
  void* out = va_arg(ap, void*);  // every CURLINFO is answered through a pointer
  va_end(ap);
  return real(curl, info, out);
}

CURLcode curl_easy_perform(CURL* curl) {
  REAL(curl_easy_perform);
  return real(curl);
}

void curl_easy_cleanup(CURL* curl) {
  REAL(curl_easy_cleanup);
  real(curl);
}

const char* curl_easy_strerror(CURLcode code) {
  REAL(curl_easy_strerror);
  return real(code);
}

CURLHcode curl_easy_header(CURL* easy, const char* name, size_t index, unsigned int origin,
                           int request, curl_header** hout) {
  REAL(curl_easy_header);
  return real(easy, name, index, origin, request, hout);
}

curl_slist* curl_slist_append(curl_slist* list, const char* s) {
  REAL(curl_slist_append);
  return real(list, s);
}

void curl_slist_free_all(curl_slist* list) {
  REAL(curl_slist_free_all);
  real(list);
}

void curl_free(void* p) {
  REAL(curl_free);
  real(p);
}

CURLU* curl_url(void) {
  REAL(curl_url);
  return real();
}

void curl_url_cleanup(CURLU* handle) {
  REAL(curl_url_cleanup);
  real(handle);
}

CURLUcode curl_url_set(CURLU* handle, CURLUPart what, const char* part, unsigned int flags) {
  REAL(curl_url_set);
  return real(handle, what, part, flags);
}

CURLUcode curl_url_get(CURLU* handle, CURLUPart what, char** part, unsigned int flags) {
  REAL(curl_url_get);
  return real(handle, what, part, flags);
}

CURLM* curl_multi_init(void) {
  REAL(curl_multi_init);
  return real();
}

CURLMcode curl_multi_cleanup(CURLM* multi) {
  REAL(curl_multi_cleanup);
  return real(multi);
}

CURLMcode curl_multi_setopt(CURLM* multi, CURLMoption option, ...) {
  REAL(curl_multi_setopt);
  va_list ap;
  va_start(ap, option);
  const CURLMcode rc = SetOption(real, multi, option, ap);
  va_end(ap);
  return rc;
}

CURLMcode curl_multi_add_handle(CURLM* multi, CURL* curl) {
  REAL(curl_multi_add_handle);
  return real(multi, curl);
}

CURLMcode curl_multi_remove_handle(CURLM* multi, CURL* curl) {
  REAL(curl_multi_remove_handle);
  return real(multi, curl);
}

CURLMcode curl_multi_perform(CURLM* multi, int* running) {
  REAL(curl_multi_perform);
  return real(multi, running);
}

CURLMcode curl_multi_poll(CURLM* multi, curl_waitfd extra_fds[], unsigned int extra_nfds,
                          int timeout_ms, int* ret) {
  REAL(curl_multi_poll);
  return real(multi, extra_fds, extra_nfds, timeout_ms, ret);
}

CURLMcode curl_multi_wakeup(CURLM* multi) {
  REAL(curl_multi_wakeup);
  return real(multi);
}

CURLMsg* curl_multi_info_read(CURLM* multi, int* msgs_in_queue) {
  REAL(curl_multi_info_read);
  return real(multi, msgs_in_queue);
}

const char* curl_multi_strerror(CURLMcode code) {
  REAL(curl_multi_strerror);
  return real(code);
}

}  // extern "C"
