/* Part of the shipped 32-bit programs' runtime. They take the C runtime from CRTDLL.DLL, which
   every 32-bit Windows has (MSVCRT.DLL, MinGW's usual runtime, is not part of Windows 95 or
   NT 3.51), and they must import nothing that Windows 95, NT 3.51 or NT 4.0 lacks. Two gaps of
   MinGW's runtime are closed here. */
#include <windows.h>

#include <errno.h>
#include <io.h>
#include <wchar.h>

/* The C++ runtime's random device, which the programs never use but which comes in with its
   string exceptions, refers to three functions CRTDLL.DLL does not have by these names; here
   they are, failing as a runtime without them would. */
static int __cdecl NoRandS(unsigned int *value) {
    (void)value;
    return EINVAL;
}
/* The import the random device calls through (rand_s, from MSVCRT.DLL of Windows XP on). */
int(__cdecl *_imp__rand_s)(unsigned int *) = NoRandS;

int close(int fd) {
    return _close(fd);
}

int read(int fd, void *buffer, unsigned int count) {
    return _read(fd, buffer, count);
}

/* The formatting routines convert wide characters with mbrtowc, whose MinGW version asks
   IsDBCSLeadByteEx; nothing shows that NT 3.51 exports it. This one finds lead bytes in the
   code page's own ranges instead (GetCPInfo, on every Windows). */
unsigned int __cdecl ___lc_codepage_func(void);

static int IsLeadByteOf(unsigned int codePage, unsigned char byte) {
    CPINFO info;
    int i;
    if (!GetCPInfo(codePage, &info)) {
        return 0;
    }
    for (i = 0; i + 1 < MAX_LEADBYTES && info.LeadByte[i] != 0; i += 2) {
        if (byte >= info.LeadByte[i] && byte <= info.LeadByte[i + 1]) {
            return 1;
        }
    }
    return 0;
}

size_t mbrtowc(wchar_t *wc, const char *text, size_t count, mbstate_t *state) {
    const unsigned int codePage = ___lc_codepage_func();
    wchar_t converted = 0;
    size_t length = 1;
    (void)state; /* a character cut in two is reported, not kept: the callers pass whole ones */
    if (!text) {
        return 0;
    }
    if (count == 0) {
        return (size_t)-2;
    }
    if (codePage == 0) {
        converted = (unsigned char)*text; /* the "C" locale: one byte, one character */
    } else {
        if (IsLeadByteOf(codePage, (unsigned char)*text)) {
            if (count < 2) {
                return (size_t)-2;
            }
            length = 2;
        }
        if (MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text, (int)length, &converted,
                                1) != 1) {
            errno = EILSEQ;
            return (size_t)-1;
        }
    }
    if (wc) {
        *wc = converted;
    }
    return converted == 0 ? 0 : length;
}
