// SPDX-FileCopyrightText: 2026 The Marrowfen developers
// SPDX-License-Identifier: MIT

// The archive library's C interface. Record layouts, codes and calling
// convention match the published UnRAR library, so either library can sit
// beside the program.
#pragma once

#ifdef _WIN32
#define PASCAL __stdcall
#ifdef MARROWFEN_UNRAR_BUILD
#define UNRAR_API __declspec(dllexport)
#else
#define UNRAR_API __declspec(dllimport)
#endif
#ifndef CALLBACK
#define CALLBACK __stdcall
#endif
#else
#define PASCAL
#define CALLBACK
#define UNRAR_API __attribute__((visibility("default")))
#endif

// A pointer-sized signed integer, as Windows defines it.
#ifdef _WIN64
typedef long long LPARAM;
#else
typedef long LPARAM;
#endif

#define ERAR_SUCCESS 0
#define ERAR_END_ARCHIVE 10
#define ERAR_NO_MEMORY 11
#define ERAR_BAD_DATA 12
#define ERAR_BAD_ARCHIVE 13
#define ERAR_UNKNOWN_FORMAT 14
#define ERAR_EOPEN 15
#define ERAR_ECREATE 16
#define ERAR_ECLOSE 17
#define ERAR_EREAD 18
#define ERAR_EWRITE 19
#define ERAR_SMALL_BUF 20
#define ERAR_UNKNOWN 21 // also: the member names are encrypted; the callback stopped a member
#define ERAR_MISSING_PASSWORD 22
#define ERAR_EREFERENCE 23
#define ERAR_BAD_PASSWORD 24
#define ERAR_LARGE_DICT 25

#define RAR_OM_LIST 0
#define RAR_OM_EXTRACT 1

#define RAR_SKIP 0
#define RAR_TEST 1
#define RAR_EXTRACT 2

// Callback messages. Only UCM_PROCESSDATA is sent here: p1 points at the
// member's next bytes, p2 is their count; returning -1 stops the member.
#define UCM_CHANGEVOLUME 0
#define UCM_PROCESSDATA 1
#define UCM_NEEDPASSWORD 2
#define UCM_CHANGEVOLUMEW 3
#define UCM_NEEDPASSWORDW 4

// RARHeaderData::Flags
#define RHDF_SPLITBEFORE 0x01
#define RHDF_SPLITAFTER 0x02
#define RHDF_ENCRYPTED 0x04
#define RHDF_SOLID 0x10
#define RHDF_DIRECTORY 0x20

#ifdef __cplusplus
extern "C" {
#endif

struct RARHeaderData {
    char ArcName[260];
    char FileName[260];
    unsigned int Flags;
    unsigned int PackSize;
    unsigned int UnpSize;
    unsigned int HostOS;
    unsigned int FileCRC;
    unsigned int FileTime;
    unsigned int UnpVer;
    unsigned int Method;
    unsigned int FileAttr;
    char *CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
};

struct RAROpenArchiveData {
    char *ArcName;
    unsigned int OpenMode;
    unsigned int OpenResult;
    char *CmtBuf;
    unsigned int CmtBufSize;
    unsigned int CmtSize;
    unsigned int CmtState;
};

typedef int(CALLBACK *UNRARCALLBACK)(unsigned int msg, LPARAM UserData, LPARAM P1, LPARAM P2);

UNRAR_API void *PASCAL RAROpenArchive(struct RAROpenArchiveData *ArchiveData);
UNRAR_API int PASCAL RARCloseArchive(void *hArcData);
UNRAR_API int PASCAL RARReadHeader(void *hArcData, struct RARHeaderData *HeaderData);
UNRAR_API int PASCAL RARProcessFile(void *hArcData, int Operation, char *DestPath, char *DestName);
UNRAR_API void PASCAL RARSetPassword(void *hArcData, char *Password);
UNRAR_API void PASCAL RARSetCallback(void *hArcData, UNRARCALLBACK Callback, LPARAM UserData);

#ifdef __cplusplus
}
#endif
