#!/usr/bin/env python3
"""The full-text search index of help.chm, with the Chinese words in it.

The help compiler indexes only Latin letters and digits, so a search for 热键
finds nothing. This tool writes the index ($FIftiMain) again from the compiled
pages and puts it into the help file in place of the compiler's:

    chm-fulltext.py write <help.chm>         replace the index
    chm-fulltext.py lookup <help.chm> WORD   print the pages the index gives for WORD

Words are runs of Latin letters and digits (lower case), and every Chinese
character on its own, the way the help viewer breaks a Chinese query; a word of
several characters is found as characters at consecutive places. Pages are GBK
(the help file's code page, 936) and are read back from the help file itself,
so the topic numbers are those of its topic table.
"""
import re
import struct
import subprocess
import sys
import tempfile
import os

NODE = 4096
ROOT_DOC, ROOT_CODE, ROOT_LOC = 2, 2, 4
CODE_PAGE, LCID = 936, 0x804


# ---- reading entries of the help file (chmls decompresses them) --------------------------

def extract(chm, name):
    with tempfile.TemporaryDirectory() as tmp:
        out = os.path.join(tmp, 'entry')
        subprocess.run(['chmls', 'extract', chm, name, out], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with open(out, 'rb') as f:
            return f.read()


def topics(chm):
    """The page of every topic, in the order of the topic table (#TOPICS)."""
    table, urltbl, urlstr = extract(chm, '/#TOPICS'), extract(chm, '/#URLTBL'), extract(chm, '/#URLSTR')
    pages = []
    for i in range(len(table) // 16):
        url_offset = struct.unpack_from('<I', table, i * 16 + 8)[0]
        str_offset = struct.unpack_from('<I', urltbl, url_offset + 8)[0]
        name = urlstr[str_offset + 8:urlstr.index(b'\0', str_offset + 8)]
        pages.append(name.decode('ascii'))
    return pages


# ---- words -------------------------------------------------------------------------------

TAG = re.compile(rb'<[^>]*>')
ENTITY = re.compile(rb'&[a-zA-Z]+;|&#[0-9]+;')


def words_of(gbk_text):
    """Words in reading order: Latin runs lower-cased, each Chinese character alone."""
    out, i, n = [], 0, len(gbk_text)
    latin = bytearray()
    while i < n:
        c = gbk_text[i]
        if c >= 0x81 and i + 1 < n:
            if latin:
                out.append(bytes(latin)); latin.clear()
            # Characters from 0xB0 on are Chinese; 0xA1-0xA9 are punctuation and symbols.
            if c >= 0xB0:
                out.append(gbk_text[i:i + 2])
            i += 2
            continue
        ch = chr(c).lower()
        if ch.isascii() and ch.isalnum():
            latin += ch.encode()
        elif latin:
            out.append(bytes(latin)); latin.clear()
        i += 1
    if latin:
        out.append(bytes(latin))
    return [w for w in out if len(w) <= 99]


NAV = re.compile(rb'<p class="nav">.*?</p>', re.I | re.S)


def page_words(html):
    """(title words, body words) of a page; the links to every page at its foot are no content."""
    html = NAV.sub(b' ', html)
    title = re.search(rb'<title>(.*?)</title>', html, re.I | re.S)
    body = re.search(rb'<body[^>]*>(.*)</body>', html, re.I | re.S)
    def text(part):
        return ENTITY.sub(b' ', TAG.sub(b' ', part)) if part else b''
    return (words_of(text(title.group(1) if title else b'')),
            words_of(text(body.group(1) if body else html)))


# ---- the index file ------------------------------------------------------------------------

def encint(value):
    """The help file's variable-length integer: 7 bits a byte, most significant first."""
    groups = [value & 0x7F]
    value >>= 7
    while value:
        groups.append(value & 0x7F)
        value >>= 7
    groups.reverse()
    return bytes([g | 0x80 for g in groups[:-1]] + [groups[-1]])


def read_encint(data, pos):
    value = 0
    while True:
        b = data[pos]; pos += 1
        value = (value << 7) | (b & 0x7F)
        if not b & 0x80:
            return value, pos


class Bits:
    def __init__(self):
        self.out, self.bits = bytearray(), []

    def scale_root(self, value, root):
        """Scale 2, root r: p one bits and a zero, then r + max(p - 1, 0) low bits."""
        needed = value.bit_length()
        prefix = max(0, needed - root)
        low = max(needed - 1, root)
        self.bits += [1] * prefix + [0] + [(value >> k) & 1 for k in range(low - 1, -1, -1)]

    def flush(self):
        while len(self.bits) % 8:
            self.bits.append(0)
        for k in range(0, len(self.bits), 8):
            self.out.append(int(''.join(map(str, self.bits[k:k + 8])), 2))
        self.bits = []


def wlc(hits):
    """Word location codes: per topic the topic's distance from the last, the count and the places."""
    b, last_doc = Bits(), 0
    for doc in sorted(hits):
        b.scale_root(doc - last_doc, ROOT_DOC)
        last_doc = doc
        places = hits[doc]
        b.scale_root(len(places), ROOT_CODE)
        last = 0
        for p in places:
            b.scale_root(p - last, ROOT_LOC)
            last = p
        b.flush()
    return bytes(b.out)


def shared_prefix(word, last):
    n = 0
    while n < min(len(word), len(last), 255) and word[n] == last[n]:
        n += 1
    return n


def build_index(pages):
    """pages: list of (title words, body words) by topic number."""
    entries = {}   # (word, is title) -> {topic: [places]}
    total = 0
    for topic, (title, body) in enumerate(pages):
        for is_title, words in ((1, title), (0, body)):
            for place, w in enumerate(words):
                entries.setdefault((w, is_title), {}).setdefault(topic, []).append(place)
                total += 1
    # Title entries of a word come before its body entry.
    order = sorted(entries, key=lambda k: (k[0], -k[1]))

    data = bytearray(0x400)
    leaves, leaf, last, last_words = [], bytearray(8), b'', []
    for key in order:
        word, is_title = key
        codes = wlc(entries[key])
        offset = len(data)
        data += codes
        keep = shared_prefix(word, last) if word != last else len(word)
        rest = word[keep:]
        entry = bytes([len(rest) + 1, keep]) + rest + bytes([is_title]) + encint(len(entries[key])) + \
            struct.pack('<IH', offset, 0) + encint(len(codes))
        if len(leaf) + len(entry) > NODE:
            leaves.append(leaf); last_words.append(last)
            leaf, last = bytearray(8), b''
            keep, rest = 0, word
            entry = bytes([len(rest) + 1, 0]) + rest + bytes([is_title]) + encint(len(entries[key])) + \
                struct.pack('<IH', offset, 0) + encint(len(codes))
        leaf += entry
        last = word
    leaves.append(leaf); last_words.append(last)

    # Leaves, each pointing at the next, then one index node when there are several.
    first_leaf = len(data)
    for k, lf in enumerate(leaves):
        free = NODE - len(lf)
        nxt = first_leaf + (k + 1) * NODE if k + 1 < len(leaves) else 0
        struct.pack_into('<IHH', lf, 0, nxt, 0, free)
        data += lf + bytes(free)
    depth = 1
    if len(leaves) > 1:
        depth = 2
        node, prev = bytearray(2), b''
        for k, w in enumerate(last_words):
            keep = shared_prefix(w, prev)
            node += bytes([len(w) - keep + 1, keep]) + w[keep:] + struct.pack('<IH', first_leaf + k * NODE, 0)
            prev = w
        if len(node) > NODE:
            raise SystemExit('chm-fulltext: too many words for one index node')
        struct.pack_into('<H', node, 0, NODE - len(node))
        data += node + bytes(NODE - len(node))
    root = len(data) - NODE

    distinct = sorted({w for w, _ in entries})
    header = struct.pack('<4sIIIII', b'\0\0\x28\0', len(pages), root, 0, len(leaves), root)
    header += struct.pack('<HI', depth, 7) + bytes([2, ROOT_DOC, 2, ROOT_CODE, 2, ROOT_LOC]) + bytes(10)
    header += struct.pack('<IIIII', NODE, 0, 1, 5, max(len(w) for w in distinct))
    header += struct.pack('<IIIIII', total, len(distinct), sum(len(w) for w in distinct), 0,
                          sum(len(w) for w in distinct), NODE - len(leaves[-1]))
    header += struct.pack('<II', 0, len(pages) - 1) + bytes(24) + struct.pack('<II', CODE_PAGE, LCID)
    data[0:len(header)] = header
    return bytes(data)


# ---- putting it into the help file ---------------------------------------------------------

def replace_entry(chm_path, name, content):
    """Appends content to the uncompressed section and points the directory entry at it."""
    d = bytearray(open(chm_path, 'rb').read())
    if d[:4] != b'ITSF' or struct.unpack_from('<I', d, 4)[0] != 3:
        raise SystemExit('chm-fulltext: not a help file of version 3')
    hs0_off = struct.unpack_from('<Q', d, 0x38)[0]
    dir_off = struct.unpack_from('<Q', d, 0x48)[0]
    content_off = struct.unpack_from('<Q', d, 0x58)[0]
    chunk_size, density = struct.unpack_from('<II', d, dir_off + 0x10)
    chunks = struct.unpack_from('<I', d, dir_off + 0x2C)[0]
    new_offset = len(d) - content_off
    for c in range(chunks):
        start = dir_off + 0x54 + c * chunk_size
        chunk = d[start:start + chunk_size]
        if chunk[:4] != b'PMGL':
            continue
        free = struct.unpack_from('<I', chunk, 4)[0]
        end, pos, items, found = chunk_size - free, 0x14, [], False
        while pos < end:
            n, pos = read_encint(chunk, pos)
            entry_name = bytes(chunk[pos:pos + n]); pos += n
            section, pos = read_encint(chunk, pos)
            offset, pos = read_encint(chunk, pos)
            length, pos = read_encint(chunk, pos)
            if entry_name == name:
                section, offset, length, found = 0, new_offset, len(content), True
            items.append((entry_name, section, offset, length))
        if not found:
            continue
        body, quick = bytearray(), []
        every = 1 + (1 << density)
        for k, (entry_name, section, offset, length) in enumerate(items):
            if k and k % every == 0:
                quick.append(0x14 + len(body))
            body += encint(len(entry_name)) + entry_name + encint(section) + encint(offset) + encint(length)
        tail = b''.join(struct.pack('<H', q) for q in reversed(quick)) + struct.pack('<H', len(items))
        if 0x14 + len(body) + len(tail) > chunk_size:
            raise SystemExit('chm-fulltext: the directory chunk has no room')
        rebuilt = bytearray(chunk[:0x14]) + body
        rebuilt += bytes(chunk_size - len(rebuilt) - len(tail)) + tail
        struct.pack_into('<I', rebuilt, 4, chunk_size - 0x14 - len(body))
        d[start:start + chunk_size] = rebuilt
        d += content
        if struct.unpack_from('<Q', d, hs0_off + 0x10)[0]:
            struct.pack_into('<Q', d, hs0_off + 0x10, len(d))
        with open(chm_path + '.tmp', 'wb') as f:
            f.write(d)
        os.replace(chm_path + '.tmp', chm_path)
        return
    raise SystemExit('chm-fulltext: %s is not in the help file' % name.decode())


def write(chm):
    pages = topics(chm)
    replace_entry(chm, b'/$FIftiMain', build_index([page_words(extract(chm, '/' + p)) for p in pages]))


# ---- looking a word up, as the viewer's search does -----------------------------------------

def read_wlc(data, offset, size, count):
    bits = ''.join(format(b, '08b') for b in data[offset:offset + size])
    pos, result, last_doc = 0, {}, 0

    def value(root):
        nonlocal pos
        p = 0
        while bits[pos] == '1':
            p += 1; pos += 1
        pos += 1
        width = root + max(p - 1, 0)
        v = (1 if p else 0)
        for _ in range(width):
            v = (v << 1) | int(bits[pos]); pos += 1
        return v

    for _ in range(count):
        last_doc += value(data[0x1F])
        n, places, last = value(data[0x21]), [], 0
        for _ in range(n):
            last += value(data[0x23]); places.append(last)
        result[last_doc] = places
        pos = (pos + 7) // 8 * 8
    return result


def entries_of(data):
    """Every (word, is title, {topic: places}) of the index, leaf by leaf."""
    if data[:4] != b'\0\0\x28\0':
        raise SystemExit('chm-fulltext: no full-text index')
    depth = struct.unpack_from('<H', data, 0x18)[0]
    node = struct.unpack_from('<I', data, 8)[0]
    for _ in range(depth - 1):   # the first entry of each index level leads to the first leaf
        n, keep = data[node + 2], data[node + 3]
        node = struct.unpack_from('<I', data, node + 4 + n - 1)[0]
    while node:
        nxt, _, free = struct.unpack_from('<IHH', data, node)
        pos, last = node + 8, b''
        while pos < node + NODE - free:
            n, keep = data[pos], data[pos + 1]
            word = last[:keep] + data[pos + 2:pos + 1 + n]
            pos += 1 + n
            is_title = data[pos]; pos += 1
            count, pos = read_encint(data, pos)
            offset = struct.unpack_from('<I', data, pos)[0]; pos += 6
            size, pos = read_encint(data, pos)
            yield word, is_title, read_wlc(data, offset, size, count)
            last = word
        node = nxt


def lookup(chm, query):
    """Pages holding the query's words at consecutive places (body or title)."""
    data = extract(chm, '/$FIftiMain')
    wanted = words_of(query.encode('gbk'))
    table = {}
    for word, is_title, hits in entries_of(data):
        table[(word, is_title)] = hits
    pages, found = topics(chm), set()
    for is_title in (0, 1):
        lists = [table.get((w, is_title), {}) for w in wanted]
        if not lists or not all(lists):
            continue
        for topic, places in lists[0].items():
            for p in places:
                if all(p + k in lists[k].get(topic, []) for k in range(1, len(lists))):
                    found.add(pages[topic])
    return sorted(found)


if __name__ == '__main__':
    if len(sys.argv) == 3 and sys.argv[1] == 'write':
        write(sys.argv[2])
    elif len(sys.argv) == 4 and sys.argv[1] == 'lookup':
        print('\n'.join(lookup(sys.argv[2], sys.argv[3])))
    else:
        raise SystemExit(__doc__)
