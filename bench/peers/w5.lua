-- W5 array work (indices 0..9999)
local function main(r)
  local a = {}
  for k = 0, 9999 do a[k] = 0 end
  local s = 0
  local p = 0
  while p < r do
    p = p + 1
    local k = 0
    while k < 10000 do
      a[k] = k + p
      k = k + 1
    end
    s = 0
    k = 0
    while k < 10000 do
      s = s + a[k]
      k = k + 1
    end
  end
  print(s)
end
main(math.tointeger(tonumber(arg[1])))
