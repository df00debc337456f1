#!/usr/bin/env python3
"""Builds a Windows help file (.hlp, WinHelp 3.1 layout) from a plain source text.

Source: "title:" and "copyright:" lines, then topics. "topic: NAME" starts a topic (the
first is the contents page), "heading: TEXT" gives its title, every other line is a
paragraph (one starting with "- " is a bullet), and "[text](NAME)" jumps to a
topic. Lines starting with "#" are comments.

What is written, after the public descriptions of the format: the file header, the
internal directory (a one-page B+ tree), |SYSTEM (title, copyright, contents topic),
|FONT, |TOPIC (LZ77-compressed 4 KB blocks, one topic per block), |CONTEXT (topic name
hashes) and |TTLBTREE (topic titles).
"""
import re
import struct
import sys
import time

BLOCK_SIZE = 4096  # topic block on disk, header included
BLOCK_HEADER = 12
DECOMPRESS_SIZE = 0x4000  # what one compressed block may expand to
FONT_NORMAL, FONT_HEADING, FONT_BOLD = 0, 1, 2
TL_TOPICHDR, TL_DISPLAY = 0x02, 0x20


class HelpError(Exception):
    pass


# ---------------------------------------------------------------- source

class Topic:
    def __init__(self, name):
        self.name = name
        self.heading = ''
        self.paragraphs = []  # (kind, text): kind is 'text' or 'bullet'


def parse_source(text):
    meta = {'title': 'Help', 'copyright': ''}
    topics = []

    def add(line):
        if not topics:
            raise HelpError('text before the first topic')
        if line.startswith('- '):
            topics[-1].paragraphs.append(('bullet', line[2:].strip()))
        else:
            topics[-1].paragraphs.append(('text', line.strip()))

    for raw in text.splitlines():
        line = raw.rstrip()
        if line.startswith('#') or not line.strip():
            continue
        m = re.match(r'^(title|copyright|topic|heading):\s*(.*)$', line)
        if not m:
            add(line)
            continue
        key, value = m.groups()
        if key == 'topic':
            if not re.fullmatch(r'[A-Za-z0-9_.]+', value):
                raise HelpError('topic name %r: only letters, digits, "_" and "."' % value)
            topics.append(Topic(value))
        elif key == 'heading':
            if not topics:
                raise HelpError('heading before the first topic')
            topics[-1].heading = value
        else:
            meta[key] = value
    if not topics:
        raise HelpError('no topics')
    names = [t.name for t in topics]
    for t in topics:
        for _, para in t.paragraphs:
            for target in re.findall(r'\[[^\]]*\]\(([^)]*)\)', para):
                if target not in names:
                    raise HelpError('topic %s jumps to unknown topic %r' % (t.name, target))
    return meta, topics


# ---------------------------------------------------------------- encodings

def context_hash(name):
    """The hash WinHelp 3.1 keeps for a topic name (a signed 32-bit value). Topic names
    are letters, digits, "_" and "."; letters count without case."""
    if not name:
        return 1
    h = 0
    for ch in name.upper():
        if ch == '0':
            v = 10
        elif ch.isdigit():
            v = ord(ch) - ord('0')
        elif ch == '.':
            v = 12
        elif ch == '_':
            v = 13
        else:
            v = ord(ch) - ord('A') + 0x11
        h = (h * 43 + v) & 0xFFFFFFFF
    return h - 0x100000000 if h >= 0x80000000 else h


def cword(v):
    """Compressed unsigned short."""
    if v < 0x80:
        return bytes([v * 2])
    return bytes([(v & 0x7F) * 2 + 1, v >> 7])


def cshort(v):
    """Compressed signed short."""
    if -64 <= v < 64:
        return bytes([(v + 64) * 2])
    u = v + 16384
    return bytes([(u & 0x7F) * 2 + 1, u >> 7])


def clong(v):
    """Compressed unsigned long."""
    if v < 0x8000:
        return struct.pack('<H', v * 2)
    return struct.pack('<HH', (v & 0x7FFF) * 2 + 1, v >> 15)


def lz77_compress(data):
    """LZ77 as WinHelp reads it: a flag byte per eight items (bit set: a 16-bit
    reference, 12 bits distance-1 and 4 bits length-3), else a literal byte."""
    out = bytearray()
    heads = {}
    i, n = 0, len(data)
    while i < n:
        flag_at = len(out)
        out.append(0)
        for bit in range(8):
            if i >= n:
                break
            best_len, best_dist = 0, 0
            if i + 3 <= n:
                for j in reversed(heads.get(data[i:i + 3], [])[-48:]):
                    dist = i - j
                    if dist > 4096:
                        break
                    length = 3
                    while length < 18 and i + length < n and data[j + length] == data[i + length]:
                        length += 1
                    if length > best_len:
                        best_len, best_dist = length, dist
                        if length == 18:
                            break
            step = best_len if best_len >= 3 else 1
            if best_len >= 3:
                out[flag_at] |= 1 << bit
                out += struct.pack('<H', (best_dist - 1) | ((best_len - 3) << 12))
            else:
                out.append(data[i])
            for k in range(i, i + step):
                if k + 3 <= n:
                    heads.setdefault(data[k:k + 3], []).append(k)
            i += step
    return bytes(out)


def lz77_decompress(data):
    out = bytearray()
    i = 0
    while i < len(data):
        flags = data[i]
        i += 1
        for bit in range(8):
            if i >= len(data):
                break
            if flags & (1 << bit):
                word = struct.unpack_from('<H', data, i)[0]
                i += 2
                dist, length = (word & 0xFFF) + 1, (word >> 12) + 3
                for _ in range(length):
                    out.append(out[-dist])
            else:
                out.append(data[i])
                i += 1
    return bytes(out)


# ---------------------------------------------------------------- topics

def split_links(text):
    """Pieces of a paragraph: (text, target or None)."""
    pieces, pos = [], 0
    for m in re.finditer(r'\[([^\]]*)\]\(([^)]*)\)', text):
        if m.start() > pos:
            pieces.append((text[pos:m.start()], None))
        pieces.append((m.group(1), m.group(2)))
        pos = m.end()
    if pos < len(text):
        pieces.append((text[pos:], None))
    return pieces


def display_record(pieces, font, space_below=12, left_indent=0, first_indent=0):
    """LinkData1 and LinkData2 of one paragraph. Each string of LinkData2 is followed by
    one formatting command of LinkData1; 0xFF ends them."""
    strings, commands = [], []

    def emit(text, command):
        strings.append(text)
        commands.append(command)

    emit(b'', b'\x80' + struct.pack('<h', font))
    pending = b''
    for text, target in pieces:
        encoded = text.encode('cp1252')
        if target is None:
            pending += encoded
            continue
        # A jump names its target by the hash of its topic name, looked up in |CONTEXT.
        emit(pending, b'\xE3' + struct.pack('<i', context_hash(target)))
        emit(encoded, b'\x89')  # and ends after its text
        pending = b''
    emit(pending, b'\x82')  # end of paragraph
    emit(b'', b'\xFF')
    data2 = b''.join(s + b'\0' for s in strings)
    if len(data2) >= 0x8000:
        raise HelpError('a paragraph is too long: %r...' % data2[:40])
    bits = 0x0004  # spacing below follows
    fields = cshort(space_below)
    if left_indent:
        bits |= 0x0010
        fields += cshort(left_indent)
    if first_indent:
        bits |= 0x0040
        fields += cshort(first_indent)
    para = bytes([0x00, 0x80]) + struct.pack('<HH', 0, bits) + fields
    data1 = clong(len(data2)) + cword(len(data2)) + para + b''.join(commands)
    return data1, data2


def topic_records(topic):
    records = []
    records.append(display_record([(topic.heading, None)], FONT_HEADING, space_below=16))
    for kind, text in topic.paragraphs:
        pieces = split_links(text)
        if kind == 'bullet':
            pieces = [('\u2022  ', None)] + pieces
            records.append(display_record(pieces, FONT_NORMAL, 6, left_indent=24,
                                          first_indent=-16))
        else:
            records.append(display_record(pieces, FONT_NORMAL))
    return records


def build_topic_file(meta, topics):
    """|TOPIC: every topic starts a block of its own, so a topic's offset is its block
    number times 0x8000 and every position is known before compressing."""
    offsets = {t.name: i * 0x8000 for i, t in enumerate(topics)}
    # Per block: links as (record type, data1, data2).
    blocks = []
    for i, t in enumerate(topics):
        links = [(TL_TOPICHDR, None, t.heading.encode('cp1252') + b'\0')]
        for d1, d2 in topic_records(t):
            links.append((TL_DISPLAY, d1, d2))
        blocks.append(links)
    # A closing topic header that carries no topic: readers stop at its NextBlock of -1.
    blocks[-1].append((TL_TOPICHDR, None, b''))

    def pos(block, offset):
        return block * DECOMPRESS_SIZE + BLOCK_HEADER + offset

    # Positions of every link.
    layout = []
    for b, links in enumerate(blocks):
        offset = 0
        for link in links:
            d1_len = 28 if link[0] == TL_TOPICHDR else len(link[1])
            layout.append((b, offset, link))
            offset += 21 + d1_len + len(link[2])
        if offset > DECOMPRESS_SIZE - BLOCK_HEADER:
            raise HelpError('topic %s is too long for one block' % topics[b].name)
    header_positions = [pos(b, off) for b, off, link in layout if link[0] == TL_TOPICHDR]

    out_blocks = [bytearray() for _ in blocks]
    topic_num = 0
    for k, (b, off, (rtype, d1, d2)) in enumerate(layout):
        prev_pos = pos(*layout[k - 1][:2]) if k > 0 else -1
        next_pos = pos(*layout[k + 1][:2]) if k + 1 < len(layout) else -1
        if rtype == TL_TOPICHDR:
            here = pos(b, off)
            h = header_positions.index(here)
            is_last = h + 1 == len(header_positions)
            next_topic = header_positions[h + 1] if not is_last else -1
            scroll = pos(*layout[k + 1][:2]) if k + 1 < len(layout) else -1
            size = (next_topic if next_topic != -1 else here) - here
            d1 = struct.pack('<iiiiiii', size, -1, -1, topic_num, -1, scroll, next_topic)
            topic_num += 1
        link = struct.pack('<iiiiiB', 21 + len(d1) + len(d2), len(d2), prev_pos, next_pos,
                           21 + len(d1), rtype)
        out_blocks[b] += link + d1 + d2

    topic = bytearray()
    last_link_before = -1
    for b, data in enumerate(out_blocks):
        first = pos(b, 0)
        header = struct.pack('<iii', last_link_before, first, first)
        packed = lz77_compress(bytes(data))
        if lz77_decompress(packed) != bytes(data):
            raise HelpError('compression does not round-trip')
        if BLOCK_HEADER + len(packed) > BLOCK_SIZE:
            raise HelpError('topic %s does not fit one block when compressed' % topics[b].name)
        block = header + packed
        if b + 1 < len(out_blocks):
            # Readers expand the zeros that fill a block too: keep within the buffer.
            fill = BLOCK_SIZE - len(block)
            if len(data) + (fill * 8 + 8) // 9 + 8 > DECOMPRESS_SIZE - BLOCK_HEADER:
                raise HelpError('topic %s is too long for one block' % topics[b].name)
            block += b'\0' * fill
        topic += block
        last_link_before = pos(*[(bb, o) for bb, o, _ in layout if bb == b][-1])
    return bytes(topic), offsets


# ---------------------------------------------------------------- other internal files

def btree(structure, entries, page_size=0x0800, directory=False):
    """A B+ tree with a single leaf page (all these trees are small)."""
    body = b''.join(entries)
    if 8 + len(body) > page_size:
        raise HelpError('B+ tree %s needs more than one page' % structure)
    flags = 0x0002 | (0x0400 if directory else 0)
    header = struct.pack('<HHH16shhhhhhi', 0x293B, flags, page_size,
                         structure.encode('ascii'), 0, 0, 0, -1, 1, 1, len(entries))
    page = struct.pack('<Hhhh', page_size - 8 - len(body), len(entries), -1, -1) + body
    return header + page + b'\0' * (page_size - len(page))


def system_file(meta):
    records = b''
    for rtype, data in ((1, meta['title'].encode('cp1252') + b'\0'),
                        (2, meta['copyright'].encode('cp1252') + b'\0'),
                        (3, struct.pack('<i', 0))):
        records += struct.pack('<HH', rtype, len(data)) + data
    gen_date = int(time.time()) - 315532800  # seconds since 1 January 1980
    return struct.pack('<HHHiH', 0x036C, 21, 1, max(gen_date, 0), 4) + records


def font_file():
    faces = [b'Arial']
    face_len = 20
    descriptors = [
        # attributes (1 = bold), half points, family (3 = swiss), face, colour, background
        (0, 20, 3, 0, (0, 0, 0)),  # body text
        (1, 28, 3, 0, (0, 0, 128)),  # headings
        (1, 20, 3, 0, (0, 0, 0)),  # bold
    ]
    names = b''.join(f.ljust(face_len, b'\0') for f in faces)
    descs = b''.join(struct.pack('<BBBH3B3B', a, hp, fam, face, *rgb, 255, 255, 255)
                     for a, hp, fam, face, rgb in descriptors)
    header = struct.pack('<HHHH', len(faces), len(descriptors), 8, 8 + len(names))
    return header + names + descs


def build(source_text):
    meta, topics = parse_source(source_text)
    topic_data, offsets = build_topic_file(meta, topics)
    contexts = sorted((context_hash(t.name), offsets[t.name]) for t in topics)
    files = {
        '|CONTEXT': btree('L4', [struct.pack('<ii', h, o) for h, o in contexts]),
        '|FONT': font_file(),
        '|SYSTEM': system_file(meta),
        '|TOPIC': topic_data,
        '|TTLBTREE': btree('Lz', [struct.pack('<i', offsets[t.name]) +
                                  t.heading.encode('cp1252') + b'\0' for t in topics]),
    }
    body = bytearray()
    positions = {}
    at = 16
    for name in sorted(files):
        data = files[name]
        positions[name] = at
        chunk = struct.pack('<iiB', len(data) + 9, len(data), 4) + data
        body += chunk
        at += len(chunk)
    directory = btree('z4', [n.encode('ascii') + b'\0' + struct.pack('<i', positions[n])
                             for n in sorted(files)], page_size=0x0400, directory=True)
    dir_chunk = struct.pack('<iiB', len(directory) + 9, len(directory), 4) + directory
    total = 16 + len(body) + len(dir_chunk)
    return struct.pack('<iiii', 0x00035F3F, 16 + len(body), -1, total) + bytes(body) + dir_chunk


def main(argv):
    if len(argv) != 3:
        print('usage: make_help.py SOURCE OUTPUT.hlp', file=sys.stderr)
        return 2
    try:
        with open(argv[1], encoding='utf-8') as f:
            data = build(f.read())
    except (HelpError, OSError, UnicodeError) as e:
        print('make_help: %s' % e, file=sys.stderr)
        return 1
    with open(argv[2], 'wb') as f:
        f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
