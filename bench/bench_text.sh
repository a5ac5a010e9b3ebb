# Sourced by the end-to-end benchmarks: generate_text LANGUAGE LENGTH prints
# their text (en or zh), LENGTH characters long, the same on every run.

# The same text every time: sentences drawn from fixed lists by a linear
# congruential generator with a fixed seed, cut to the exact length. English
# gets five sentences to a paragraph (kavo-say makes one request of each);
# Chinese is one paragraph of clauses ending in "，" or "。".
generate_text() {
  awk -v language="$1" -v length_="$2" 'BEGIN {
    seed = 12345
    if (language == "en") {
      n = split("The engineer|A small robot|Our neighbour|The old clock|Every student|The quiet river", subj, "|")
      split("builds|remembers|carries|follows|paints|answers", verb, "|")
      split("a wooden bridge|the morning train|seven green apples|a long letter|the northern lights|an empty box", obj, "|")
      split("before dinner.|without a word.|in the rain.|after the meeting.|with great care.|every Tuesday.", end_, "|")
      out = ""; i = 0
      while (length(out) < length_) {
        out = out subj[pick(6)] " " verb[pick(6)] " " obj[pick(6)] " " end_[pick(6)]
        i++
        out = out (i % 5 == 0 ? "\n\n" : " ")
      }
      printf "%s", substr(out, 1, length_)
    } else {
      # Common characters, three bytes each in UTF-8; awk counts bytes.
      chars = "我们的你他她这那一个是不了在人有大小天地上下中国时年来去说话听看走跑学生老师朋友今明早晚春夏秋冬山水花草树木风雨雪云日月星书字写读唱歌画家门"
      count = length(chars) / 3; out = ""; made = 0
      while (made < length_) {
        words = 6 + pick(9)
        for (k = 0; k < words && made < length_; k++) { out = out substr(chars, 3 * pick(count) + 1, 3); made++ }
        if (made < length_) { out = out (pick(10) < 6 ? "，" : "。"); made++ }
      }
      printf "%s", out
    }
  }
  function pick(m) { seed = (seed * 1103515245 + 12345) % 2147483648; return int(seed / 65536) % m }'
}
